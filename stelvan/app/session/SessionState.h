#pragma once
// The states of the program's one receiver session and what it learned of its receiver.
#include <string>

namespace session {

enum class SessionState {
  Idle,               // no connection
  Connecting,         // the session thread opens connection and receiver, identifies, attaches
  Live,               // the session thread shows the receiver's stream
  ToolHoldsReceiver,  // a modal tool has the receiver to itself; the session thread is stopped
  ManualOnly,         // connected for manual mode only: no session thread, receiver closed
  Reconnecting,       // the live receiver or its server was lost: tried again until back or Disconnect
};

const char* stateName(SessionState state);

// What the connect dialog (or the command line) chose.
struct SessionTarget {
  std::string server;  // "" or "LServer": the local server
  std::string user;
  std::string password;
  std::string receiver;  // the receiver string ("COM/dev/ttyUSB0:115200:1", "TCP...")
  bool manualOnly = false;
};

// What the session learned of its receiver; written by the session thread.
struct SessionInfo {
  std::string portName;  // the receiver string the connect dialog returned
  std::string model;
  int firmwareVersion = 0;  // major * 1000 + minor
  std::string currentPort;
  std::string receiverId;
  std::string lastError;
};

}  // namespace session
