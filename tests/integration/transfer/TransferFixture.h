#pragma once
// A receiver simulator with known log files, a local-server session in front of it, and the
// reports of the transfer in progress as the client's "WL" attachment sees them.
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "gridlink/platform/Clock.h"
#include "integration/session/SessionFixture.h"

namespace transfertest {

// The reports ("IN:...", "RT:...", the closing text) delivered to the "WL" callback.
struct Reports {
  std::mutex lock;
  std::vector<std::string> texts;
  std::vector<std::string> take() {
    std::lock_guard l(lock);
    return texts;
  }
  bool has(const std::string& prefix) {
    std::lock_guard l(lock);
    for (const std::string& t : texts)
      if (t.rfind(prefix, 0) == 0) return true;
    return false;
  }
};

inline std::uint32_t quietSysMsg(void*) {
  return 0;
}

inline void onReport(CReceiver* r) {
  auto* reports = reinterpret_cast<Reports*>(r->GetUserDWORD());
  std::string text(reinterpret_cast<const char*>(r->getMsgBuf(0)),
                   static_cast<std::size_t>(r->getMsgBufSize()));
  while (!text.empty() && text.back() == '\0') text.pop_back();
  std::lock_guard l(reports->lock);
  reports->texts.push_back(text);
}

inline std::string randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class FileTransferTest : public sessiontest::SessionTest {
 protected:
  static constexpr std::uint32_t kBlock = 512;

  void putFile(const std::string& name, const std::string& bytes) {
    std::ofstream(files.path() / name, std::ios::binary) << bytes;
  }
  // Starts the simulator and the session with the "WL" reports attached.
  void openWithReports(rcvsim::Options o) {
    startSim(o);
    openAll(quietSysMsg);
    rcv->SetUserDWORD(reinterpret_cast<unsigned long>(&reports));
    ASSERT_EQ(rcv->Attach(0, onReport, "WL", nullptr), 1) << rcv->GetReplyString();
  }
  // Polls the download status until the transfer is no longer in progress (bounded).
  int waitEnd(DOWNLOADINFO& info, std::uint32_t maxMs = 120000) {
    for (std::uint32_t waited = 0; waited < maxMs; waited += 10) {
      if (rcv->GetDownloadStatus(info) != 0) return info.status;
      Platform::Sleep(10);
    }
    return rcv->GetDownloadStatus(info);
  }
  // Waits until a closing report (beginning "RE" or "ER") has been delivered (bounded).
  std::string waitClosingReport(std::uint32_t maxMs = 60000) {
    for (std::uint32_t waited = 0; waited < maxMs; waited += 10) {
      for (const std::string& t : reports.take())
        if (t.rfind("RE", 0) == 0 || t.rfind("ER", 0) == 0) return t;
      Platform::Sleep(10);
    }
    return std::string();
  }
  std::string local(const std::string& name) const { return (out.path() / name).string(); }

  Reports reports;
  TempDir out;
};

}  // namespace transfertest
