#pragma once
// CTCPConnection: the receiver link on a receiver's network port. "TCP:" + host + ":" + port +
// ":" + password logs in first (the receiver's "login:" prompt, an empty user, the password);
// "WIFI:" + host + ":" + port + ":" + password connects without logging in. The port is 8000
// when the string gives none.
//
// The constructor does the whole open; a failed open leaves the object alive with a non-empty
// StatusText() ("ER:..."), which the owner reads before deleting the link. A receiver that
// closes, resets or stays silent during the login gives "ER:Receiver don't reply!" within
// kLoginReadSeconds per read and kLoginSeconds in all. Once open, a receiver that closes the
// connection or a write that cannot get through in kWriteSeconds ends the link (LinkLost()),
// so a pending or later command fails at once with "ER:" + the reason.
// Threads: see CReceiverConnection; the destructor stops and joins the reader (bounded).
#include <atomic>
#include <cstdint>
#include <string>

#include "gridlink/CBlockingSocket.h"
#include "gridlink/platform/Thread.h"
#include "links/CReceiverConnection.h"

class CTCPConnection : public CReceiverConnection {
 public:
  static constexpr int kDefaultPort = 8000;
  static constexpr int kLoginReadSeconds = 10;
  static constexpr int kLoginSeconds = 15;
  static constexpr int kWifiDrainSeconds = 3;
  static constexpr int kWriteSeconds = 10;
  static constexpr std::size_t kReadChunk = 4096;
  static constexpr const char* kNoReply = "ER:Receiver don't reply!";

  CTCPConnection(CLinkOwner& owner, const std::string& receiverString);
  ~CTCPConnection() override;

  int Write(const void* bytes, std::size_t count) override;
  int SetFlowControl(bool) override { return 1; }
  bool SetBaudRate(std::uint32_t) override { return true; }

  const std::string& Host() const { return m_Host; }
  int Port() const { return m_Port; }

 private:
  bool parse(const std::string& receiverString);
  void open();
  // Resolves the host and connects; false with the reason as the status text.
  bool connect();
  bool startReader();
  void readerLoop(Platform::ThreadContext& ctx);
  void endLink(const std::string& why);
  void stopReader();

  std::string m_Host, m_Password;
  int m_Port = kDefaultPort;
  bool m_Login = true;
  CBlockingSocket m_Socket;
  std::atomic<bool> m_Stopping{false};
  Platform::Thread m_Reader{"Dev/TCP", 12000};
};
