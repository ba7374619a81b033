#pragma once
// ICommandSender on a CReceiver. Each exchange runs on a short-lived worker thread while the
// calling thread waits through the message pump, so a window stays live and the script's
// time-out bounds the wait. A reply that comes later than that is collected before the next
// exchange starts, so replies never cross. The receiver must outlive the sender; one caller at
// a time.
#include <memory>
#include <string>
#include <thread>

#include "ICommandSender.h"
#include "gridlink/CConnection.h"

class CReceiver;

class CReceiverSender : public ICommandSender {
 public:
  // The text of an exchange that outlived its time-out.
  static constexpr const char* kTimeoutReply = "ER:Receiver reply timeout!";

  explicit CReceiverSender(CReceiver* receiver);
  ~CReceiverSender() override;
  CReceiverSender(const CReceiverSender&) = delete;
  CReceiverSender& operator=(const CReceiverSender&) = delete;

  bool SendCommand(const std::string& command, unsigned timeoutMs, std::string& reply) override;
  // The same, with the receiver's asynchronous output going to `output` while the command runs
  // (and after it, for a session that keeps the callback).
  bool SendCommand(const std::string& command, unsigned timeoutMs, std::string& reply,
                   CConnection::CommandOutputCallback output);

 private:
  struct Exchange;
  void finishPending();

  CReceiver* receiver_;
  std::shared_ptr<Exchange> pending_;
  std::thread worker_;
};
