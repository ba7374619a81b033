// gridctl: commands, scripts, receiver lists and attached data from the command line, on
// Gridlink's exported interface.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>

#include "Messages.h"
#include "Options.h"
#include "ReceiverFiles.h"
#include "TlsPrompt.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/TrafficLog.h"
#include "gridlink/platform/Event.h"

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

// Attached messages, printed on the connection's message thread.
std::mutex g_OutLock;
std::atomic<unsigned> g_Seen{0};
unsigned g_Wanted = 1;
Platform::Event g_Done(Platform::EventReset::Manual);

std::uint32_t onServerEvent(void* conn) {
  std::lock_guard l(g_OutLock);
  std::cerr << "event " << int(static_cast<CConnection*>(conn)->GetLastException()) << ": "
            << static_cast<CConnection*>(conn)->GetReplyString() << "\n";
  return 0;
}

void onMessage(CReceiver* r) {
  if (g_Seen.load() >= g_Wanted) return;
  const int n = r->getMsgBufSize();
  std::string line;
  line += n >= 2 ? std::string(reinterpret_cast<const char*>(r->getMsgBuf(0)), 2) : std::string("??");
  line += " " + std::to_string(n) + " ";
  static const char* hex = "0123456789abcdef";
  for (int i = 0; i < n; ++i) {
    const unsigned char b = r->readMsgBuf(static_cast<std::uint32_t>(i));
    line += hex[b >> 4];
    line += hex[b & 15];
  }
  {
    std::lock_guard l(g_OutLock);
    std::cout << line << std::endl;
  }
  if (++g_Seen >= g_Wanted) g_Done.Set();
}

bool isRe(const std::string& reply) {
  return reply.rfind("RE", 0) == 0;
}

int fail(const std::string& text) {
  std::cerr << text << "\n";
  return kUsage;
}

int listReceivers(CConnection& conn) {
  if (conn.GetRcvList() == 0 && !isRe(conn.GetReplyString())) return fail(conn.GetReplyString());
  std::string list = conn.GetReplyString();
  if (list.rfind("RE:", 0) == 0) list.erase(0, 3);
  std::istringstream in(list);
  for (std::string entry; std::getline(in, entry, ',');)
    if (!entry.empty()) std::cout << entry << "\n";
  return kOk;
}

// The whole script file, read before anything is opened; false with the reason in error.
bool readScript(const std::string& path, std::string& script, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = "cannot read " + path + ": it is a directory";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  script.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

int runScript(CReceiver& rcv, std::string script) {
  // A file without its own "@scr" line may still open with "stoperrors on".
  if (script.rfind("@scr", 0) != 0)
    script = (script.rfind("stoperrors", 0) == 0 ? "@scr " : "@scr\n") + script;
  if (script.back() != '\n') script += '\n';
  const int r = rcv.SendCommand(script.c_str());
  std::cout << rcv.GetReplyString();
  return r == 0 ? kFailed : kOk;
}

int run(const gridctl::Options& o) {
  std::string script, error;
  if (!o.scriptFile.empty() && !readScript(o.scriptFile, script, error)) return fail(error);
  if (!o.traceFile.empty() &&
      !Gridlink::TrafficLog::Start(o.traceFile, Gridlink::TrafficLog::kDefaultLimit, error))
    return fail(error);
  CConnection conn;
  // Delivery of attached data and of download reports needs the message thread.
  if (o.attach || !o.download.empty()) conn.SetSysMsgCallback(onServerEvent);
  conn.SetTimeout((o.timeoutMs + 999) / 1000);
  if (o.tls) conn.SetTls(true, o.tlsCa.c_str(), o.tlsFingerprint.c_str());
  conn.SetTlsTrustCallback(gridctl::askTrust, nullptr);
  if (!conn.Open(o.server.c_str(), o.user.c_str(), o.password.c_str(), "gridctl"))
    return fail(conn.GetReplyString());
  if (o.list || o.messageMode()) {
    const int r = o.list ? listReceivers(conn) : gridctl::runMessages(conn, o);
    conn.Close();
    return r;
  }
  CReceiver* rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  int status = kOk;
  if (!rcv->Open(&conn, o.receiver.c_str(), 0)) {
    status = fail(rcv->GetReplyString());
  } else if (!o.scriptFile.empty()) {
    status = runScript(*rcv, script);
  } else if (o.files) {
    status = gridctl::ListFiles(*rcv);
  } else if (!o.download.empty()) {
    status = gridctl::DownloadFile(*rcv, o.download, o.downloadDir);
  } else if (!o.remove.empty()) {
    status = gridctl::DeleteFile(*rcv, o.remove);
  } else if (o.attach) {
    g_Wanted = o.count;
    if (!rcv->Attach(static_cast<std::uint8_t>(o.attachKind), onMessage, o.attachNames.c_str(), nullptr)) {
      status = fail(rcv->GetReplyString());
    } else {
      if (o.count > 0 && g_Done.Wait(o.timeoutMs) != Platform::WaitResult::Signalled) status = kFailed;
      rcv->Detach(static_cast<std::uint8_t>(o.attachKind));
    }
  } else {
    for (const std::string& cmd : o.commands) {
      rcv->SendCommand(cmd.c_str());
      const std::string reply = rcv->GetReplyString();
      std::cout << reply << "\n";
      if (!isRe(reply)) {
        std::cerr << reply << "\n";
        status = kFailed;
      }
    }
  }
  rcv->Close(false);
  rcv->Release();
  conn.Close();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  gridctl::Options o;
  std::string error;
  if (!gridctl::parseOptions(argc, argv, o, error)) {
    std::cerr << "gridctl: " << error << "\n\n" << gridctl::helpText();
    return kUsage;
  }
  if (o.help) {
    std::cout << gridctl::helpText();
    return kOk;
  }
  try {
    return run(o);
  } catch (const std::exception& e) {  // the connection closed its receiver on the way out
    std::cerr << "gridctl: " << e.what() << "\n";
    return kUsage;
  }
}
