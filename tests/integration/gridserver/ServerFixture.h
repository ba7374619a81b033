#pragma once
// A gridserver process in front of a simulated receiver on a pseudo-terminal, with users
// alice and bob, and CConnection clients that record their server events.
#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ServerProcess.h"
#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "rcvsim/Simulator.h"

namespace servertest {

// Server events per connection: (code, text).
class EventLog {
 public:
  static std::uint32_t record(void* conn) {
    auto* c = static_cast<CConnection*>(conn);
    std::lock_guard l(lock());
    events()[c].emplace_back(c->GetLastException(), c->GetReplyString());
    changed().notify_all();
    return 0;
  }
  // The first event with this code, waiting up to timeoutMs; empty text when none came.
  static std::pair<bool, std::string> waitFor(CConnection* c, int code, int timeoutMs = 10000) {
    std::unique_lock l(lock());
    std::pair<bool, std::string> found{false, {}};
    changed().wait_for(l, std::chrono::milliseconds(timeoutMs), [&] {
      for (const auto& [k, text] : events()[c])
        if (k == code) return found = {true, text}, true;
      return false;
    });
    return found;
  }
  static void forget(CConnection* c) {
    std::lock_guard l(lock());
    events().erase(c);
  }

 private:
  static std::mutex& lock() {
    static std::mutex m;
    return m;
  }
  static std::condition_variable& changed() {
    static std::condition_variable cv;
    return cv;
  }
  static std::map<CConnection*, std::vector<std::pair<int, std::string>>>& events() {
    static std::map<CConnection*, std::vector<std::pair<int, std::string>>> e;
    return e;
  }
};

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rcvsim::Options o;
    o.pty = true;
    o.filesDir = simFiles.str();
    o.startUtcMs = 1765000000000;
    o.rebootMs = 150;
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->start(error)) << error;
    users = ServerProcess::writeUsers(dir.str(), "alice pw-a\nbob pw-b\n# a comment\ncarol pw-c\n");
    restart({});
  }
  // A new server on the same users and store, with these options added (and these receivers
  // instead of the simulator's when given).
  void restart(const std::vector<std::string>& extra, std::vector<std::string> receivers = {}) {
    server.reset();
    if (receivers.empty()) receivers = {rcvString(), "COM/dev/null/none:115200:1"};
    std::vector<std::string> args{"--listen", "127.0.0.1:0",        "--users",         users,
                                  "--store",  dir.str() + "/store", "--stall-timeout", "2"};
    for (const auto& r : receivers) args.insert(args.end(), {"--receiver", r});
    args.insert(args.end(), extra.begin(), extra.end());
    server = std::make_unique<ServerProcess>(args);
    ASSERT_NE(server->port(), 0u) << server->log();
  }
  void TearDown() override {
    for (auto& c : conns) {
      c->Close();
      EventLog::forget(c.get());
    }
    conns.clear();
    server.reset();
    sim->stop();
  }

  std::string rcvString() const { return "COM" + sim->ptyPath() + ":115200:1"; }

  // A connection logged in as user; scrambled requests unless plain.
  CConnection* login(const char* user, const char* password, bool plain = false) {
    conns.push_back(std::make_unique<CConnection>());
    CConnection* c = conns.back().get();
    c->SetSysMsgCallback(&EventLog::record);
    if (plain) c->SetCrypt(0);
    const int opened = c->Open(server->address().c_str(), user, password, "servertest");
    c->SetTimeout(20);  // no wait on this server may hang a test
    return opened ? c : nullptr;
  }

  ScopedConfigHome config;
  TempDir dir, simFiles;
  std::string users;
  std::unique_ptr<rcvsim::Simulator> sim;
  std::unique_ptr<ServerProcess> server;
  std::vector<std::unique_ptr<CConnection>> conns;
};

// A receiver reference that closes and releases itself.
struct Rcv {
  CReceiver* r = TSelfCreator<CReceiver>::Create();
  Rcv() { r->AddRef(); }
  ~Rcv() {
    r->Close(false);
    r->Release();
  }
  CReceiver* operator->() const { return r; }
};

}  // namespace servertest
