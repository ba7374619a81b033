#include "CReceiverSender.h"

#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/Event.h"
#include "gridlink/platform/MessagePump.h"

namespace {
// Gridlink ends a local "Command" within its exchange time-out (10 s, 30 s on a TCP link); a
// late exchange is waited for a little longer than that before the next one starts.
constexpr unsigned kLateExchangeMs = 35000;
}  // namespace

struct CReceiverSender::Exchange {
  Platform::Event done{Platform::EventReset::Manual};
  int result = 0;
  std::string reply;
};

CReceiverSender::CReceiverSender(CReceiver* receiver) : receiver_(receiver) {}

CReceiverSender::~CReceiverSender() {
  finishPending();
}

void CReceiverSender::finishPending() {
  if (!worker_.joinable()) return;
  Platform::WaitPumping(pending_->done, kLateExchangeMs);
  worker_.join();
  pending_.reset();
}

bool CReceiverSender::SendCommand(const std::string& command, unsigned timeoutMs, std::string& reply) {
  return SendCommand(command, timeoutMs, reply, nullptr);
}

bool CReceiverSender::SendCommand(const std::string& command, unsigned timeoutMs, std::string& reply,
                                  CConnection::CommandOutputCallback output) {
  finishPending();
  auto exchange = std::make_shared<Exchange>();
  pending_ = exchange;
  worker_ = std::thread([rcv = receiver_, exchange, command, output] {
    exchange->result = rcv->SendCommand(command.c_str(), output);
    exchange->reply = rcv->GetReplyString();
    exchange->done.Set();
  });
  const unsigned wait = timeoutMs ? timeoutMs : kLateExchangeMs;
  if (Platform::WaitPumping(exchange->done, wait, 10) != Platform::WaitResult::Signalled) {
    reply = kTimeoutReply;
    return false;
  }
  finishPending();
  reply = exchange->reply;
  return exchange->result != 0;
}
