#pragma once
// What the local server asks of a receiver link, whatever its kind. The real links live in
// links/; DeviceLink::Create picks one by the first three characters of the receiver string.
// Owned by the local server; called from the thread serving a request.
#include <functional>
#include <memory>
#include <string>

#include "links/LinkKind.h"

class LocalServer;
class CReceiverConnection;

namespace LocalSrv {

// The link kinds are links/' own (LinkKind.h); these names keep the server's code short.
using ::kLinkCom;
using ::kLinkGsm;
using ::kLinkTcp;
using ::kLinkUsb;
using ::kLinkWifi;
using ::LinkKindOf;

// The connection setting ("LServer" section) that remembers the last receiver opened of a link
// kind ("LastCOM", "LastTCP", "LastWIFI", "LastGSM", "LastUSB"); null for no kind.
const char* LastReceiverKey(int kind);

class DeviceLink {
 public:
  virtual ~DeviceLink() = default;
  // True when the reply begins with "RE"; timeoutMs 0 sends only (reply untouched).
  virtual bool SendCommand(const std::string& cmd, std::string& reply, unsigned timeoutMs) = 0;
  // An "@scr" script; the count of commands that succeeded, 0 when it stopped early.
  virtual int RunScript(const std::string& script, std::string& reply) = 0;
  // The open or link error; empty while the link is healthy.
  virtual std::string StatusText() const = 0;
  virtual void SetLinkKind(int kind) = 0;
  // Waits until the line has been quiet for quietMs, at most maxMs.
  virtual bool WaitQuiet(unsigned quietMs, unsigned maxMs) = 0;
  // The receiver link itself, for a file transfer's raw modes; null when there is none.
  virtual CReceiverConnection* Raw() { return nullptr; }
  // Puts bytes on the link as they are (no sealing, no reply wait); false with the reply text
  // when the link has gone or took fewer. The caller serialises it with the commands.
  virtual bool WriteRaw(const std::string& bytes, std::string& reply);

  // The link for a receiver string (constructing it opens it; check StatusText), or null with
  // error set when the string names no link that exists here. kind receives the kind number.
  using Factory = std::function<std::unique_ptr<DeviceLink>(LocalServer&, const std::string&, int& kind,
                                                            std::string& error)>;
  static std::unique_ptr<DeviceLink> Create(LocalServer& owner, const std::string& rcvString, int& kind,
                                            std::string& error);
  // Tests replace the real links; an empty factory restores them. Returns the one before.
  static Factory SetFactory(Factory f);
};

}  // namespace LocalSrv
