#pragma once
// The receiver model's direct ports: blocking reads and writes, each with its
// own time-outs, no thread of their own, no framing. One thread uses a port at
// a time (the model's reading thread reads; writes come under the model's
// lock); ports hold no lock. Every failure leaves a text in LastError().
#include <cstddef>
#include <cstdint>
#include <string>

namespace CMNC {

// Purge flags.
constexpr unsigned kPurgeTxAbort = 1, kPurgeRxAbort = 2, kPurgeTxClear = 4, kPurgeRxClear = 8;

// Negative time-outs mean "the port's default".
struct ReadRequest {
  std::uint8_t* buffer = nullptr;
  std::size_t size = 0;
  int totalMs = -1;
  int intervalMs = -1;
};

class CAbstractReceiverPort {
 public:
  virtual ~CAbstractReceiverPort() = default;
  virtual bool IsOpen() const { return m_handle != -1; }
  virtual bool Open(const std::string& settings) = 0;
  virtual void Close() = 0;
  // Bytes read, 0 on time-out, -1 when not open or on error.
  virtual int Read(const ReadRequest& request) = 0;
  // Bytes written; -1 or 0 on error.
  virtual int Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs) = 0;
  virtual bool Purge(unsigned flags) = 0;
  std::string LastError() const { return m_lastError; }

  // Local line settings; ports without a line accept them and do nothing.
  virtual bool SetBaudRate(std::uint32_t) { return true; }
  virtual bool SetFlowControl(bool) { return true; }

  int Read(std::uint8_t* buffer, std::size_t size, int totalMs, int intervalMs = -1) {
    return Read(ReadRequest{buffer, size, totalMs, intervalMs});
  }

 protected:
  std::string m_lastError;
  int m_handle = -1;
};

}  // namespace CMNC
