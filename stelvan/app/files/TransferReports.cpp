#include "files/TransferReports.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "gridlink/CReceiver.h"
#include "session/CallbackRegistry.h"

namespace Files {
namespace {

// One transfer runs at a time; its reports are kept here for the dialog's poll.
std::mutex g_Lock;
std::string g_Closing, g_Last;
int g_UploadBlocks = 0;
session::CallbackChannel<session::CallbackRegistry::DataKey, void(CReceiver*)>::Registration g_Route;

void onReport(CReceiver* r) {
  const char* p = reinterpret_cast<const char*>(r->getMsgBuf(0));
  if (!p) return;
  const std::string text(p, strnlen(p, static_cast<std::size_t>(r->getMsgBufSize())));
  std::lock_guard l(g_Lock);
  g_Last = text;
  if (text.rfind("INW:", 0) == 0)
    g_UploadBlocks = std::atoi(text.c_str() + 4);
  else if (text.rfind("RE", 0) == 0 || text.rfind("ER", 0) == 0)
    g_Closing = text;
}

}  // namespace

bool TransferReports::Attach(CReceiver* rcv) {
  Clear();
  g_Route = session::CallbackRegistry::instance().data.add({rcv, 0}, onReport);
  return rcv->Attach(0, &session::CallbackRegistry::OnData, "WL", nullptr) != 0;
}

void TransferReports::Detach(CReceiver* rcv) {
  rcv->Detach(0);
  g_Route.reset();
}

void TransferReports::Clear() {
  std::lock_guard l(g_Lock);
  g_Closing.clear();
  g_Last.clear();
  g_UploadBlocks = 0;
}

std::string TransferReports::Closing() {
  std::lock_guard l(g_Lock);
  return g_Closing;
}

int TransferReports::UploadBlocks() {
  std::lock_guard l(g_Lock);
  return g_UploadBlocks;
}

std::string TransferReports::Last() {
  std::lock_guard l(g_Lock);
  return g_Last;
}

}  // namespace Files
