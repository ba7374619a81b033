#pragma once
// The program's own direct connection to one receiver.
//
// Ownership: a ReceiverModel is reference counted (AddRef/Release; the last
// Release disconnects and frees it). Listeners of every kind are NOT owned:
// the caller removes a listener before destroying it, and must not add or
// remove listeners from inside a listener callback.
//
// Threads: every operation may be called from any thread; the model's lock
// serialises them, and execute() holds it while it waits (bounded by its
// time-out), so commands from several threads run one after another.
// Callbacks arrive on the model's own threads, never on the caller's:
//   IConnectionListener - the connect thread (asynchronous connect) or the
//                          caller's thread (synchronous connect);
//   IStreamListener     - the reading thread, raw bytes as read;
//   IGnssMessageListener, IEpochListener - the analysis worker, with the
//                          storage's (or composer's) lock held;
//   IReplyListener, IParameterListener  - the analysis worker.
// A GUI marshals them to its own thread itself.
#include <cstdint>
#include <string>
#include <vector>

#include "decode/interfaces/IGnssMessageListener.h"
#include "decode/interfaces/ITUnknown.h"

namespace Tellus {

class IEpochManager;
class IEpochListener;
class RcvCmdScriptParser;

class IConnectionListener {
 public:
  virtual void onConnectStart() = 0;
  virtual void onConnectProgress(const std::string& text) = 0;
  virtual void onConnectFailure(const std::string& text) = 0;
  virtual void onConnected(bool result) = 0;

 protected:
  virtual ~IConnectionListener() = default;
};

class IStreamListener {
 public:
  virtual void onData(const std::uint8_t* bytes, std::size_t count) = 0;

 protected:
  virtual ~IStreamListener() = default;
};

class IReplyListener {
 public:
  virtual void onReply(const std::string& identifier, bool ok, const std::string& text) = 0;

 protected:
  virtual ~IReplyListener() = default;
};

class IParameterListener {
 public:
  virtual void onParameterChanged(const std::string& name, const std::string& oldValue,
                                  const std::string& newValue) = 0;

 protected:
  virtual ~IParameterListener() = default;
};

// One available port: kind code (1 USB device, 2 serial, 3 TCP, 4 USB port),
// name (what a connection string takes), description and address.
struct PortInfo {
  int kind = 0;
  std::string name, description, address;
};

// Results of execute().
enum ExecuteResult { kExecError = 0, kExecOk = 1, kExecNotConnected = 2, kExecTimeout = 3 };

class IReceiverModel : public engine::ITUnknown {
 public:
  virtual bool listPorts(int kind, std::vector<PortInfo>& out) = 0;  // 2
  // Synchronous without a listener (true: connected); with one, starts the
  // connect thread and returns at once (the result comes to onConnected).
  // Connection strings: "COM3:9600", "/dev/ttyUSB0:115200", "TCP:host:port",
  // "USB:<device name>".
  virtual bool connect(const std::string& connection, IConnectionListener* listener) = 0;  // 3
  virtual void cancelConnect() = 0;                                                          // 4
  virtual void disconnect() = 0;                                                             // 5
  virtual bool isConnected() = 0;                                                            // 6
  virtual int state() = 0;     // 7: 0 disconnected, 1 connecting, 2 connected
  virtual int portKind() = 0;  // 8: 2 serial, 3 TCP, 4 USB, 5 GSM modem, 0 none
  virtual bool writeRaw(const std::string& bytes) = 0;                                      // 9
  virtual bool sendCommand(const std::string& text) = 0;                                    // 10
  virtual int execute(const std::string& text, std::string& reply, int timeoutMs) = 0;      // 11
  virtual int printParameter(const std::string& name, std::string& reply, int timeoutMs) = 0;  // 12
  virtual int setParameter(const std::string& name, const std::string& value, int timeoutMs) = 0;  // 13
  // 14-17: the parameter reader (periodic "print," of subscribed names).
  virtual void readParameter(const std::string& name, IParameterListener* listener, int periodMs) = 0;
  virtual bool hasParameter(const std::string& name) = 0;
  virtual void unreadParameter(const std::string& name, IParameterListener* listener) = 0;
  virtual void unreadAll(IParameterListener* listener) = 0;
  virtual void addStreamListener(IStreamListener* listener) = 0;     // 18
  virtual void removeStreamListener(IStreamListener* listener) = 0;  // 19
  // 20: empty texts stand for "any"; bytes are decoded only while some
  // message or epoch listener is registered.
  virtual void addMessageListener(IGnssMessageListener* listener, const std::string& format,
                                  const std::string& identifier) = 0;
  virtual void removeMessageListener(IGnssMessageListener* listener) = 0;  // 21
  virtual void addEpochListener(IEpochListener* listener) = 0;             // 22
  virtual void removeEpochListener(IEpochListener* listener) = 0;          // 23
  virtual IEpochManager* epochManager() = 0;                               // 24: owned by the model
  virtual RcvCmdScriptParser* scriptParser() = 0;                          // 25: owned by the model

  // Not in the original slot table: connect again with the last connection
  // string (e.g. after the line was lost), and the last port error text.
  virtual bool reconnect(IConnectionListener* listener) = 0;
  virtual std::string lastError() = 0;
  // True while connected but the port's reads fail (the line was cut or hung up). Models
  // that cannot tell say false.
  virtual bool lineLost() { return false; }
};

}  // namespace Tellus
