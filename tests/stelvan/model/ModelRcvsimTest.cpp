// The receiver model against the simulator over a pseudo-terminal and over
// TCP on 127.0.0.1: connect procedure, commands and replies, streaming,
// disconnect, reconnect after a lost line, the parameter reader, scripts.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "ReceiverModel.h"
#include "RcvCmdScriptParser.h"
#include "TempDir.h"
#include "rcvsim/Simulator.h"

namespace {

using namespace Tellus;
using engine::Ref;

// Polls up to about 10 s.
bool eventually(const std::function<bool()>& cond) {
  for (int i = 0; i < 1000; ++i) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return cond();
}

struct Counter : IStreamListener, IGnssMessageListener {
  std::atomic<std::size_t> bytes{0}, messages{0}, gga{0}, zrx{0};
  void onData(const std::uint8_t*, std::size_t n) override { bytes += n; }
  void onMessage(engine::IMessageGNSS* m) override {
    ++messages;
    if (m->identifier() == "GGA") ++gga;
    if (m->format() == "ZRX") ++zrx;
  }
};

struct Changes : IParameterListener {
  std::mutex m;
  std::vector<std::string> values;
  void onParameterChanged(const std::string&, const std::string&, const std::string& v) override {
    std::lock_guard<std::mutex> g(m);
    values.push_back(v);
  }
  bool saw(const std::string& v) {
    std::lock_guard<std::mutex> g(m);
    for (const auto& x : values)
      if (x == v) return true;
    return false;
  }
};

struct ModelRcvsim : ::testing::Test {
  TempDir dir;
  std::unique_ptr<rcvsim::Simulator> sim;
  Ref<ReceiverModel> model{ReceiverModel::create()};

  void startSim(const std::string& tcp = "127.0.0.1:0", int maxReplyBody = 1024) {
    rcvsim::Options o;
    o.pty = true;
    o.tcp = tcp;
    o.maxReplyBody = maxReplyBody;
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->start(error)) << error;
  }
  std::string tcpString() const { return "TCP:127.0.0.1:" + std::to_string(sim->tcpPort()); }
  void TearDown() override {
    model->disconnect();
    if (sim) sim->stop();
  }
};

TEST_F(ModelRcvsim, PseudoTerminalConnectCommandsStreamAndDisconnect) {
  startSim();
  ASSERT_TRUE(model->connect(sim->ptyPath() + ":115200", nullptr)) << model->lastError();
  EXPECT_EQ(model->state(), 2);
  EXPECT_EQ(model->portKind(), 2);

  std::string reply;
  EXPECT_EQ(model->execute("print,/par/rcvid", reply, 3000), kExecOk);
  EXPECT_EQ(reply, "SIM0A1B2C3D4");
  EXPECT_EQ(model->execute("print,/par/no/such/thing", reply, 3000), kExecError);
  EXPECT_FALSE(reply.empty());
  EXPECT_EQ(model->setParameter("/par/pos/elm", "12", 3000), kExecOk);
  EXPECT_EQ(model->printParameter("/par/pos/elm", reply, 3000), kExecOk);
  EXPECT_EQ(reply, "12");

  // A reply for another identifier is not taken by the waiting command.
  ASSERT_TRUE(model->sendCommand("%other%print,/par/rcv/model"));
  EXPECT_EQ(model->execute("print,/par/rcvid", reply, 3000), kExecOk);
  EXPECT_EQ(reply, "SIM0A1B2C3D4");

  Counter c;
  model->addStreamListener(&c);
  model->addMessageListener(&c, "NMEA", "");
  EXPECT_EQ(model->execute("em,/cur/term,/msg/nmea/GGA:0.1", reply, 3000), kExecOk) << reply;
  EXPECT_TRUE(eventually([&] { return c.gga.load() >= 3; }));
  EXPECT_GT(c.bytes.load(), 0u);
  EXPECT_EQ(c.zrx.load(), 0u);  // registered for NMEA only
  model->removeMessageListener(&c);
  model->removeStreamListener(&c);

  model->disconnect();
  EXPECT_EQ(model->state(), 0);
  EXPECT_EQ(model->portKind(), 0);
  EXPECT_EQ(model->execute("print,/par/rcvid", reply, 1000), kExecNotConnected);
  EXPECT_FALSE(model->sendCommand("dm"));
}

TEST_F(ModelRcvsim, SplitRepliesAreJoinedIntoOne) {
  startSim("127.0.0.1:0", 1024);
  ASSERT_TRUE(model->connect(sim->ptyPath(), nullptr)) << model->lastError();
  std::string whole;
  ASSERT_EQ(model->execute("print,/par/pos/", whole, 3000), kExecOk);
  model->disconnect();
  sim->stop();

  startSim("127.0.0.1:0", 40);  // the same reply now comes in pieces of at most 40 bytes
  ASSERT_TRUE(model->connect(sim->ptyPath(), nullptr)) << model->lastError();
  std::string joined;
  ASSERT_EQ(model->execute("print,/par/pos/", joined, 3000), kExecOk);
  EXPECT_GT(whole.size(), 40u);
  EXPECT_EQ(joined, whole);
}

TEST_F(ModelRcvsim, TcpLoginCommandsAndReconnectAfterTheLineIsLost) {
  startSim();
  ASSERT_TRUE(model->connect(tcpString(), nullptr)) << model->lastError();
  EXPECT_EQ(model->portKind(), 3);
  std::string reply;
  EXPECT_EQ(model->execute("print,/par/rcvid", reply, 3000), kExecOk);
  EXPECT_EQ(reply, "SIM0A1B2C3D4");

  const std::string same = "127.0.0.1:" + std::to_string(sim->tcpPort());
  sim->stop();  // the line is cut
  EXPECT_NE(model->execute("print,/par/rcvid", reply, 500), kExecOk);
  startSim(same);
  ASSERT_TRUE(model->reconnect(nullptr)) << model->lastError();
  EXPECT_EQ(model->execute("print,/par/rcvid", reply, 3000), kExecOk);
  EXPECT_EQ(reply, "SIM0A1B2C3D4");
}

struct Progress : IConnectionListener {
  std::atomic<int> done{-1};
  void onConnectStart() override {}
  void onConnectProgress(const std::string&) override {}
  void onConnectFailure(const std::string&) override {}
  void onConnected(bool ok) override { done = ok ? 1 : 0; }
};

TEST_F(ModelRcvsim, AsynchronousConnectAndParameterReaderSeesAChange) {
  startSim();
  Progress p;
  ASSERT_TRUE(model->connect(sim->ptyPath() + ":115200", &p));
  ASSERT_TRUE(eventually([&] { return p.done.load() >= 0; }));
  ASSERT_EQ(p.done.load(), 1) << model->lastError();
  std::string reply;
  EXPECT_EQ(model->execute("print,/par/rcvid", reply, 1000), kExecOk);

  Changes changes;
  model->readParameter("/par/pos/elm", &changes, 1000);
  EXPECT_EQ(model->parameterInterval(), 1000u);
  ASSERT_TRUE(eventually([&] { return changes.saw("5"); }));
  EXPECT_TRUE(model->hasParameter("/par/pos/elm"));

  // Another client of the same receiver (its network port) changes it.
  Ref<ReceiverModel> other{ReceiverModel::create()};
  ASSERT_TRUE(other->connect(tcpString(), nullptr)) << other->lastError();
  EXPECT_EQ(other->setParameter("/par/pos/elm", "17", 3000), kExecOk);
  EXPECT_TRUE(eventually([&] { return changes.saw("17"); }));
  model->unreadAll(&changes);
  other->disconnect();
}

struct Lines : IScriptExecutingListener {
  std::mutex m;
  std::vector<std::string> done;
  std::atomic<bool> ended{false};
  void onScriptStart(int) override {}
  void onLineStart(int, bool, const std::string&) override {}
  void onLineDone(int, bool, int result, const std::string& text) override {
    std::lock_guard<std::mutex> g(m);
    done.push_back(std::to_string(result) + " " + text);
  }
  void onScriptEnd() override { ended = true; }
};

TEST_F(ModelRcvsim, ScriptFileRunsLineByLine) {
  startSim();
  ASSERT_TRUE(model->connect(sim->ptyPath(), nullptr)) << model->lastError();
  const std::string path = dir.str() + "/setup.txt";
  std::ofstream(path) << "  dm\n\nprint,/par/rcvid\n%7%set,/par/pos/elm,9\n@sleep 20\n@sleep 0\n@wait 5\n";
  Lines lines;
  ASSERT_TRUE(model->scriptParser()->runFile(path, 3000, &lines));
  ASSERT_TRUE(eventually([&] { return lines.ended.load(); }));
  EXPECT_EQ(lines.done, (std::vector<std::string>{"1 OK", "1 SIM0A1B2C3D4", "1 OK", "1 OK",
                                                  "4 Wrong script command", "0 Wrong script command"}));
}

}  // namespace
