#pragma once
// CReceiver: one receiver opened inside a CConnection, known on the wire by an 8-bit id.
// Created by TSelfCreator<CReceiver>::Create() with count 0; the caller AddRefs it and ends it
// with Release (the last Release closes and deletes it). The connection must outlive it.
//
// Threads: the operations may be called from any thread; requests are serialised by the
// connection (see CConnection.h for how long each waits and how the caller keeps pumping).
// Several threads may send commands at once: each gets its own reply through the
// SendCommand form that returns it, whereas GetReplyString() is the latest reply of any
// thread (enough for a single caller). A DataCallback and GPSDATA updates run on the
// connection's message thread under its data lock, so never at the same time as Close
// resetting the same state; other threads read records with ReadRecord. Transfer runs on the
// connection thread; the download state it shares with the caller is guarded.
//
// Close may be called from any thread, also while another thread's request waits: it waits
// for that request (pumping) and then always releases the link. After Close the receiver
// forgets its connection: later operations fail with "ER:Receiver is not open!", or with
// "ER:Don't connection to server!" once the connection has closed it (CConnection::Close),
// and never touch the connection, which may be gone by then.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "gridlink/CConnection.h"
#include "gridlink/Export.h"
#include "gridlink/GridlinkTypes.h"
#include "gridlink/TUnknown.h"
#include "gridlink/platform/WindowMessage.h"

class GRIDLINK_API CReceiver : public TUnknownImpl<ITUnknown>, public TSelfCreator<CReceiver> {
 public:
  using DataCallback = void (*)(CReceiver*);
  static constexpr unsigned kAttachSlots = 4;  // 0 ZRX, 1 CMR, 2 NMEA, 3 RTCM

  CReceiver();
  ~CReceiver() override;
  CReceiver(const CReceiver&) = delete;
  CReceiver& operator=(const CReceiver&) = delete;

  int Open(CConnection* conn, const char* name, std::uint32_t lock = 0);
  int Close(bool disconnect = false);
  // The reply text is left in GetReplyString(). On the local server a given output callback
  // is installed for this and later commands, and a null one uninstalls it (see
  // CConnection::CommandOutputCallback); an empty cmd with a callback only installs it.
  int SendCommand(const char* cmd, CConnection::CommandOutputCallback output = nullptr);
  // As above, and the reply of this very command in reply, whatever other threads send
  // meanwhile.
  int SendCommand(const char* cmd, std::string& reply, CConnection::CommandOutputCallback output = nullptr);
  // Bytes for the receiver's own link as they are (RTK corrections into a port whose input mode
  // takes them beside commands): written between two requests, never inside a command and its
  // reply wait, so commands keep working while they flow. Waits for the link at most waitMs (a
  // long command or script holds it): then fails with kRawWriteBusy and nothing written. Over
  // kRawWriteChunk bytes (kRawWriteRemoteChunk through a remote server, where a request must
  // fit one scrambled packet) go in several requests, between which a command may come: a
  // caller whose data must stay together writes pieces no larger. Any thread; 1 when every
  // byte went out, else 0 with the reason in reply. GetReplyString() stays the commands' (a
  // write leaves it alone).
  static constexpr std::uint32_t kRawWriteWaitMs = 2000;
  static constexpr std::size_t kRawWriteChunk = 30000;
  static constexpr std::size_t kRawWriteRemoteChunk = 2000;
  static constexpr const char* kRawWriteBusy = "ERDLL:Receiver link busy, data not sent!";
  int WriteRaw(const void* bytes, std::size_t count, std::string& reply,
               std::uint32_t waitMs = kRawWriteWaitMs);
  // Window form: the sink gets WM_USER + 1 (lParam = this receiver) on Detach and Close.
  int Attach(std::uint8_t slot, Platform::WindowHandle wnd, const char* list);
  // Callback/record form: with records, each record gets its message (see GPSDATA) and the
  // callback is not stored; without, the callback gets every message of the slot. Delivery
  // needs the message thread: without a SysMsgCallback set at CConnection::Open the attach is
  // refused ("ERDLL:Can't be run Attach without SysMsgCallback!").
  int Attach(std::uint8_t slot, DataCallback callback, const char* list,
             std::vector<GPSDATA>* records = nullptr);
  int Detach(std::uint8_t slot);
  // A copy of the attached record for message id `id` (the two id characters, the first in
  // the high byte), taken under the data lock so that it is never half-written; 1 when the
  // records given to Attach hold one for that id, else 0 and `out` unchanged. Any thread.
  int ReadRecord(std::uint16_t id, GPSDATA& out);

  int DownloadFile(const char* localPath, const char* fileName, std::uint32_t param);
  int CancelDownload();
  int LoadFirmware(const char* file, const char* name, std::uint32_t mode);
  int GetDownloadStatus(DOWNLOADINFO& out);
  int Transfer(char* msg, std::uint16_t len);
  // Reads one data-ring entry {length LE16, 0xAA, slot, data}; 0 when empty or already read.
  int GetMessageA(void* entry, char* out, std::uint16_t max);

  void SetReply(const char* text);
  std::string GetReplyString() const;
  std::string GetReceiverName() const;
  int GetLenghReceive() const { return m_BytesReceived.load(); }

  void SetLogMessage(unsigned on) { m_LogTraffic = on != 0; }
  void SetUserDWORD(unsigned long v) { m_UserDword = v; }
  unsigned long GetUserDWORD() const { return m_UserDword; }
  void SetUserString(char* s) { m_UserString = s ? s : ""; }
  const char* GetUserString() const { return m_UserString.c_str(); }
  void setRcvID(unsigned char id) { m_RcvId = id; }
  unsigned char getRcvID() const { return m_RcvId; }

  // The body of the last message delivered to a DataCallback (read it inside the callback).
  void setMsgBuf(const unsigned char* bytes, int count);
  void add2MsgBuf(const unsigned char* bytes, int count);
  void add2MsgBuf(unsigned char b);
  void setMsgBuf(std::uint32_t i, std::uint8_t b);
  std::uint8_t readMsgBuf(std::uint32_t i) const;
  unsigned char* getMsgBuf(int i);
  int getMsgBufSize() const { return static_cast<int>(m_MsgBuf.size()); }
  bool IsMsgBufEmpty() const { return m_MsgBuf.empty(); }
  // The attach slot of the message in the buffer.
  std::uint8_t GetLastSlot() const { return m_LastSlot; }

 protected:
  bool CheckDevice();
  bool isOpened() const { return m_Opened.load() != 0; }
  void setOpened() { m_Opened = 1; }
  void setClosed() { m_Opened = 0; }
  void clearBufMsg() { m_MsgBuf.clear(); }

 private:
  friend struct ConnectionAccess;
  void setReplyResult(const char* text, std::uint8_t result);
  int sendTagged(CConnection& conn, const std::string& cmd, std::string& reply);
  void closeDownloadFile();
  bool hasDownloadFile() const;
  void endDownload(std::int32_t status);  // closes the file with this status
  // The rewritten report for one piece of download traffic (binary data may hold zero bytes).
  std::string transfer(std::string_view in);

  std::atomic<unsigned char> m_RcvId{0};
  std::atomic<std::uint32_t> m_Opened{0};
  std::vector<unsigned char> m_MsgBuf;
  GPSDATA* m_Cache[256] = {};
  std::atomic<CConnection*> m_Conn{nullptr};
  std::atomic<bool> m_ClosedOnLiveConnection{false};  // Close left the connection running
  mutable std::mutex m_ReplyLock;
  std::string m_Reply;
  std::string m_Name;
  std::atomic<int> m_BytesReceived{0};
  std::vector<GPSDATA>* m_Records = nullptr;
  DataCallback m_Callbacks[kAttachSlots] = {};
  Platform::WindowHandle m_Windows[kAttachSlots] = {};
  std::uint8_t m_LastSlot = 0;
  std::atomic<std::uint8_t> m_Result{0};
  // The download: its file is written by the connection thread and closed by callers.
  mutable std::mutex m_TransferLock;
  long long m_RemoteSize = 0, m_LocalSize = 0;
  DOWNLOADINFO m_Download;
  std::atomic<bool> m_Closing{false};
  std::atomic<bool> m_LogTraffic{false};
  std::atomic<bool> m_Attached{false};
  std::FILE* m_File = nullptr;
  bool m_WriteFailed = false;  // a block could not be written: the download stays failed
  unsigned long m_UserDword = 0;
  std::string m_UserString;
};
