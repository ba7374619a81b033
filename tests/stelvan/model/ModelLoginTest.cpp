// The receiver model's network login against the simulator: only the receiver's success
// line logs in, a refusal keeps its own text, and a Wi-Fi port needs no login at all.
#include <gtest/gtest.h>

#include "ReceiverModel.h"
#include "ReplyText.h"
#include "TempDir.h"
#include "rcvsim/Simulator.h"

using namespace Tellus;
using engine::Ref;

namespace {

struct LoginSim {
  explicit LoginSim(const std::string& password, bool wifi = false) {
    rcvsim::Options o;
    o.tcp = "127.0.0.1:0";
    o.password = password;
    o.wifi = wifi;
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    started = sim->start(error);
  }
  ~LoginSim() { sim->stop(); }
  std::string address() const { return "127.0.0.1:" + std::to_string(sim->tcpPort()); }
  std::unique_ptr<rcvsim::Simulator> sim;
  bool started = false;
};

TEST(ModelLogin, OnlyTheSuccessLineLogsIn) {
  EXPECT_TRUE(loginAccepted("\r\nRE:Login accepted\r\nLogged in on /dev/tcp/a\r\n"));
  EXPECT_TRUE(loginAccepted("Logged in on /dev/tcp/b"));
  EXPECT_FALSE(loginAccepted("\r\nRE:Login accepted\r\n"));  // an "RE" is no login
  EXPECT_FALSE(loginAccepted("\r\nER:Login incorrect\r\n"));
  EXPECT_FALSE(loginAccepted("Logged in on /dev/tcp/ab"));
  EXPECT_EQ(loginAnswerText("\r\nER:Login incorrect\r\n"), "ER:Login incorrect");
}

TEST(ModelLogin, AWrongPasswordKeepsTheLoginErrorWithTheReceiversText) {
  LoginSim s("secret");
  ASSERT_TRUE(s.started);
  Ref<ReceiverModel> model{ReceiverModel::create()};
  EXPECT_FALSE(model->connect("TCP:" + s.address() + ":guess", nullptr));
  const std::string error = model->lastError();
  EXPECT_EQ(error.rfind("Unable to login. Wrong password? ", 0), 0u) << error;
  EXPECT_NE(error.find("ER:Login incorrect"), std::string::npos) << error;
  ASSERT_TRUE(model->connect("TCP:" + s.address() + ":secret", nullptr)) << model->lastError();
  std::string reply;
  EXPECT_EQ(model->execute("print,/par/rcvid", reply, 3000), kExecOk) << reply;
  model->disconnect();
}

TEST(ModelLogin, AWifiPortNeedsNoLogin) {
  LoginSim s("", true);
  ASSERT_TRUE(s.started);
  Ref<ReceiverModel> model{ReceiverModel::create()};
  ASSERT_TRUE(model->connect("WIFI:" + s.address(), nullptr)) << model->lastError();
  std::string reply;
  EXPECT_EQ(model->execute("print,/par/rcvid", reply, 3000), kExecOk) << reply;
  model->disconnect();
}

}  // namespace
