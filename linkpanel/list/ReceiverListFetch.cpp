#include "list/ReceiverListFetch.h"

#include <atomic>
#include <mutex>

#include "gridlink/CConnection.h"
#include "gridlink/platform/Thread.h"
#include "linkpanel/Linkpanel.h"
#include "list/ReceiverRow.h"

namespace Kestrel {

RcvListResult FetchReceiverList(const ServerEntry& entry) {
  RcvListResult result;
  CConnection conn;
  conn.SetTimeout(kRcvListTimeoutSeconds);
  conn.SetTlsTrustCallback(&AskTlsTrust, nullptr);
  if (!conn.Open(entry.server.c_str(), entry.user.c_str(), entry.password.c_str(), "")) {
    result.reply = conn.GetReplyString();
    return result;
  }
  conn.GetRcvList();
  result.reply = conn.GetReplyString();
  conn.Close();
  // A server that could not list its receivers says so; an empty list alone is no error.
  result.ok = result.reply.rfind("RE", 0) == 0;
  if (result.ok) result.receivers = ParseRcvListReply(result.reply);
  return result;
}

namespace {
std::atomic<int> g_runningWorkers{0};
}  // namespace

int ReceiverListFetch::RunningWorkers() {
  return g_runningWorkers.load();
}

// Shared with the worker, so that a worker outliving its request still has somewhere to
// report to.
struct ReceiverListFetch::Shared {
  std::mutex lock;
  Done done;
  Platform::Thread thread{"lp-rcvlist", 0};
};

ReceiverListFetch::ReceiverListFetch(const ServerEntry& entry, Done done)
    : m_Shared(std::make_shared<Shared>()) {
  m_Shared->done = std::move(done);
  std::weak_ptr<Shared> weak = m_Shared;
  ++g_runningWorkers;
  m_Started = m_Shared->thread.Start([weak, entry](Platform::ThreadContext&) {
    RcvListResult result = FetchReceiverList(entry);
    if (auto shared = weak.lock()) {
      std::lock_guard guard(shared->lock);
      if (shared->done) shared->done(std::move(result));
    }
    --g_runningWorkers;
  });
  if (!m_Started) --g_runningWorkers;
}

ReceiverListFetch::~ReceiverListFetch() {
  Abandon();
}

void ReceiverListFetch::Abandon() {
  {
    std::lock_guard guard(m_Shared->lock);
    m_Shared->done = nullptr;
  }
  // Joined when already finished; otherwise Thread's destructor leaves it to finish alone.
  m_Shared->thread.Join(0);
}

}  // namespace Kestrel
