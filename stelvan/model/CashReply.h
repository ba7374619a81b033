#pragma once
// Assembles the receiver's replies ("RE"/"ER" messages, possibly split over
// several) and wakes whoever waits for a command identifier. onMessage runs
// on the analysis worker; waitReply on the commanding thread. Reply
// listeners are not owned and are called on the analysis worker.
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <stdexcept>
#include <string>

#include "IReceiverModel.h"
#include "thread/ListenerSet.h"

namespace Tellus {

// Thrown by waitReply when no reply came in time; caught at once by execute.
class ReplyTimeout : public std::runtime_error {
 public:
  ReplyTimeout() : std::runtime_error("Can't get data from receiver!") {}
};

class CashReply : public IGnssMessageListener {
 public:
  void onMessage(engine::IMessageGNSS* message) override;
  // Clears textOut, waits (each wait up to timeoutMs) for the complete reply
  // with this identifier; returns its error flag. Throws ReplyTimeout.
  bool waitReply(const std::string& identifier, std::string& textOut, int timeoutMs);
  void addReplyListener(IReplyListener* l) { m_listeners.Add(l); }
  void removeReplyListener(IReplyListener* l) { m_listeners.Remove(l); }
  // Forgets partial replies (a new connection starts clean).
  void reset();

 private:
  struct Partial {
    std::string identifier;
    bool error = false;
    std::string text;
    int depth = 0;
  };
  void complete(const Partial& reply);

  std::mutex m_m;
  std::condition_variable m_event;
  std::list<Partial> m_partials;
  // Complete replies not yet taken, newest last (bounded): a reply may come
  // before its command's wait begins, and replies for other identifiers
  // (the parameter reader's) may come in between.
  std::list<Partial> m_done;
  static constexpr std::size_t kKeep = 64;
  THREAD::ListenerSet<IReplyListener> m_listeners;
};

}  // namespace Tellus
