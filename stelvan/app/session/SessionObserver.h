#pragma once
// What a ReceiverSession tells its owner and the views that follow its stream. Every call may
// come from the session thread or one of Gridlink's threads: post to the owner's thread, never
// block and never call back into the session from here.
#include <cstdint>
#include <string>
#include <vector>

#include "session/SessionState.h"

namespace session {

class SessionObserver {
 public:
  virtual ~SessionObserver() = default;
  virtual void stateChanged(SessionState from, SessionState to) = 0;
  virtual void statusText(const std::string& text) = 0;  // pane 0 of the status bar
  virtual void titleText(const std::string& title) = 0;  // the connected title, once identified
  // A server event the session does not handle itself (246, 248, 251, 254, unknown codes); the
  // codes are those of the connection's event packets read as unsigned bytes.
  virtual void serverEvent(std::uint8_t code, const std::string& text) = 0;
};

// A view fed from the session's stream. Called on the session thread with each round of fresh
// messages, indexed like AttachTable::rows() (empty where none came); `silence` when a round
// brought too little (or nothing within the round wait). Keep it short: the next round waits.
class RoundListener {
 public:
  virtual ~RoundListener() = default;
  virtual void begin() {}  // a session is about to go live (a fresh start for the view)
  virtual void round(const std::vector<std::string>& fresh) = 0;
  virtual void silence() = 0;
};

}  // namespace session
