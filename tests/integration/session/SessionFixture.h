#pragma once
// A receiver simulator on a pseudo-terminal and a CConnection on the local server in front of it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "rcvsim/Simulator.h"

namespace sessiontest {

inline rcvsim::Options simOptions(const TempDir& dir) {
  rcvsim::Options o;
  o.pty = true;
  o.filesDir = dir.str();
  o.startUtcMs = 1765000000000;
  o.rebootMs = 150;
  return o;
}

class SessionTest : public ::testing::Test {
 protected:
  void startSim(rcvsim::Options o) {
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->start(error)) << error;
  }
  std::string rcvString() const { return "COM" + sim->ptyPath() + ":115200:1"; }
  // Opens the connection and the receiver; the simulator must be running.
  void openAll(CConnection::SysMsgCallback cb = nullptr) {
    if (cb) conn.SetSysMsgCallback(cb);
    ASSERT_EQ(conn.Open("", "tester", "", "gridtest"), 1) << conn.GetReplyString();
    rcv = TSelfCreator<CReceiver>::Create();
    rcv->AddRef();
    ASSERT_EQ(rcv->Open(&conn, rcvString().c_str(), 0), 1) << rcv->GetReplyString();
  }
  void TearDown() override {
    if (rcv) {
      rcv->Close(false);
      rcv->Release();
      rcv = nullptr;
    }
    conn.Close();
    if (sim) sim->stop();
  }

  ScopedConfigHome config;
  TempDir files;
  std::unique_ptr<rcvsim::Simulator> sim;
  CConnection conn;
  CReceiver* rcv = nullptr;
};

}  // namespace sessiontest
