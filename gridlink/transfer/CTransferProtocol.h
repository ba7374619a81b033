#pragma once
// CTransferProtocol: moves one file between the receiver's log file system and the client,
// block by block, over a receiver link switched into one of its raw reader modes. A download
// hands every good block to the client as an "IN:" packet; an upload writes a local file into
// the receiver and, when asked, makes the receiver load it as firmware.
//
// Ownership: created and deleted by the local server, which keeps at most one. The transfer
// runs one thread of its own; the destructor asks it to stop and joins it (bounded), so the
// thread never outlives its object. The link, the two handshake events and the packet sink
// must outlive the object.
// Threads: Start* and the destructor on the serving thread; RequestAbort and Finished from
// any thread; the packet sink is called from the transfer thread.
// Failure: Start* false with the reason in StatusText(); the link is back in Frames mode.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "gridlink/platform/Event.h"
#include "gridlink/platform/Thread.h"

class CReceiverConnection;

class CTransferProtocol {
 public:
  // Sends one client packet of the given type; blocks until the client took it (bounded).
  using PacketSink = std::function<bool(unsigned type, std::string_view text)>;

  static constexpr unsigned kDownloadPacket = 0x800;
  static constexpr unsigned kUploadPacket = 0xB00;
  static constexpr std::uint16_t kDefaultBlockSize = 2048;
  static constexpr std::uint8_t kAck = 6;
  static constexpr std::uint8_t kNak = 21;
  static constexpr std::uint8_t kTagMore = 2;
  static constexpr std::uint8_t kTagLast = 4;
  static constexpr std::uint8_t kBlockEnd = 3;
  static constexpr std::uint32_t kCommandMs = 29999;
  static constexpr std::uint32_t kBlockWaitMs = 3999;
  static constexpr int kBlockTimeouts = 5;
  // Bad tags or block numbers tolerated within one block.
  static constexpr int kMaxFrameRetries = 5;
  // A line that keeps damaging one block is given up rather than retried for ever.
  static constexpr int kMaxCrcRetries = 50;
  static constexpr std::uint32_t kUploadWaitMs = 999;
  static constexpr int kUploadTimeouts = 10;
  static constexpr std::uint32_t kFirmwareLoadMs = 7999;
  static constexpr std::uint32_t kQuietMs = 150;
  static constexpr std::uint32_t kQuietMaxMs = 1500;
  // The longest a stop request can take: a packet the client does not take, plus a wait slice.
  static constexpr std::uint32_t kStopJoinMs = 12000;

  // request: "%s %d %d" = receiver file name (upload: the local path), offset or firmware
  // flag, block size (0 or absent: 2048).
  CTransferProtocol(CReceiverConnection& link, Platform::Event& ready, Platform::Event& go, PacketSink sink,
                    std::string_view request);
  ~CTransferProtocol();
  CTransferProtocol(const CTransferProtocol&) = delete;
  CTransferProtocol& operator=(const CTransferProtocol&) = delete;

  bool StartDownload();
  bool StartUpload();

  // Asks the thread to end ("ER:Aborted by user!") and wakes it.
  void RequestAbort();
  // Waits up to timeoutMs for the thread to end; true when it has.
  bool WaitFinished(std::uint32_t timeoutMs);
  bool Finished() const { return m_Finished.load(); }
  std::string StatusText() const;

  // The running CRC of this transfer over one block frame's first blockSize + 3 bytes.
  static std::uint16_t BlockCrc(const std::uint8_t* frame, std::size_t blockSize, std::uint16_t runningCrc);

 private:
  enum class BlockResult { Good, Last, Failed };

  void downloadThread(Platform::ThreadContext& ctx);
  BlockResult receiveBlock(std::uint16_t& validBytes);
  bool waitFrame(std::string& frame, int& timeouts);
  void reportRetry(std::string_view reason);
  void sendHandshake(std::uint8_t byte);

  void uploadThread(Platform::ThreadContext& ctx);
  void prepareUploadBlock();
  void sendUploadBlock();
  bool uploadHandshakes();
  void loadFirmware();

  bool startThread(void (CTransferProtocol::*body)(Platform::ThreadContext&));
  void restoreLink();
  void setStatus(std::string text);
  bool command(const std::string& text, std::string& reply);
  void packet(unsigned type, std::string_view text);

  CReceiverConnection& m_Link;
  Platform::Event& m_Ready;
  Platform::Event& m_Go;
  PacketSink m_Sink;

  int m_Retries = 0;
  int m_Offset = 0;
  long long m_Remaining = 0;
  std::atomic<int> m_AbortRequested{0};
  bool m_BlockFlag = false;
  std::string m_FileName;
  mutable std::mutex m_StatusLock;
  std::string m_StatusText;
  std::uint16_t m_BlockCount = 0;
  std::uint16_t m_StartBlock = 0;
  std::uint16_t m_BlockSize = kDefaultBlockSize;
  std::string m_Block;    // one block frame
  std::string m_Pending;  // raw bytes taken from the link, not yet a whole frame
  std::uint16_t m_RunningCrc = 0;
  std::FILE* m_File = nullptr;
  bool m_AllAcknowledged = false;
  std::atomic<bool> m_Finished{false};
  Platform::Event m_Ended{Platform::EventReset::Manual};
  Platform::Thread m_Thread{"transfer", kStopJoinMs};
};
