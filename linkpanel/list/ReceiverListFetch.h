#pragma once
// Asking a server for the receivers it offers. The blocking form runs on any thread; the
// background form keeps a dialog live while a remote server takes its time.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "list/ServerList.h"

namespace Kestrel {

struct RcvListResult {
  bool ok = false;    // false: reply is the error to show
  std::string reply;  // the server's or the library's reply text
  std::vector<std::string> receivers;
};

// The connection time-out of the request, in seconds.
inline constexpr unsigned kRcvListTimeoutSeconds = 60;

// Opens a connection to the entry's server, asks "GetRcvList" and closes it again.
RcvListResult FetchReceiverList(const ServerEntry& entry);

// One request on a worker thread. `done` runs on the worker thread when the request ends,
// unless Abandon() (or the destructor) came first; it must only post the result on.
// Destroying a request whose server has not answered does not wait for the server: the worker
// is left to end on its own connection time-out and its result is dropped.
class ReceiverListFetch {
 public:
  using Done = std::function<void(RcvListResult)>;
  ReceiverListFetch(const ServerEntry& entry, Done done);
  ~ReceiverListFetch();
  ReceiverListFetch(const ReceiverListFetch&) = delete;
  ReceiverListFetch& operator=(const ReceiverListFetch&) = delete;

  bool Started() const { return m_Started; }
  // Workers of this process that have not ended yet, abandoned ones included.
  static int RunningWorkers();
  // After this returns, `done` is not running and will not run.
  void Abandon();

 private:
  struct Shared;
  std::shared_ptr<Shared> m_Shared;
  bool m_Started = false;
};

}  // namespace Kestrel
