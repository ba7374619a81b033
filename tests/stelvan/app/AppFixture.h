#pragma once
// A window test: one QApplication for the process, the simulator on a pty and the program's
// receiver opened on it through the local server, as the main window hands it to a tool.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/MessagePump.h"
#include "rcvsim/Simulator.h"

class AppTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "apptest";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    Platform::SetPumpHook([] { QCoreApplication::processEvents(); });
  }
  void SetUp() override {
    rcvsim::Options o;
    o.pty = true;
    o.filesDir = files.str();
    o.rebootMs = 150;
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->start(error)) << error;
    ASSERT_EQ(conn.Open("", "tester", "", "apptest"), 1) << conn.GetReplyString();
    rcv = TSelfCreator<CReceiver>::Create();
    rcv->AddRef();
    ASSERT_EQ(rcv->Open(&conn, ("COM" + sim->ptyPath() + ":115200:1").c_str(), 0), 1)
        << rcv->GetReplyString();
  }
  void TearDown() override {
    if (rcv) {
      rcv->Close(false);
      rcv->Release();
    }
    conn.Close();
    sim->stop();
  }
  std::vector<std::string> newCommands() {
    const std::vector<std::string> all = sim->commandsReceived();
    std::vector<std::string> fresh(all.begin() + static_cast<long>(std::min(seen, all.size())), all.end());
    seen = all.size();
    return fresh;
  }
  // Where pictures of the windows go, "" when nobody asked for them.
  static std::string shotDir() {
    const char* d = std::getenv("STELVAN_SCREENSHOT_DIR");
    return d ? d : "";
  }

  ScopedConfigHome config;
  TempDir files;
  std::unique_ptr<rcvsim::Simulator> sim;
  CConnection conn;
  CReceiver* rcv = nullptr;
  std::size_t seen = 0;
};
