// The main window on a remote server: a gridserver on 127.0.0.1 in front of the simulator.
// The session runs through the server, a message from another user opens the Messages window
// and its transfer reports reach that window, and the session comes back by itself when the
// server shuts down and starts again on its port.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <fstream>
#include <iterator>

#include "QtSupport.h"
#include "ServerProcess.h"
#include "SimulatorProcess.h"
#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "messages/CMessage.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"
#include "shell/PumpingWait.h"
#include "shell/StartOptions.h"

namespace {

bool keepGoing(std::uint32_t, std::uint32_t, std::uint32_t) {
  return true;
}

TEST(RemoteSession, MessagesReachTheWindowAndTheSessionOutlivesAServerRestart) {
  testApp();
  PumpingWait::InstallPumpHook();
  ScopedConfigHome config;
  TempDir dir;
  SimulatorProcess sim;
  ASSERT_TRUE(sim.start(11)) << "rcvsim did not start";
  const std::string users = ServerProcess::writeUsers(dir.str(), "alice pw-a\nbob pw-b\n");
  ServerProcess server({"--listen", "127.0.0.1:0", "--users", users, "--store", dir.str() + "/store",
                        "--receiver", sim.receiverString()});
  ASSERT_NE(server.port(), 0u) << server.log();

  auto app = std::make_unique<CCockpitApp>();
  app->LoadSettings();
  auto frame = std::make_unique<CMainFrame>(*app);
  frame->show();
  const std::string address = server.address(), rcv = sim.receiverString();
  const char* argv[] = {"stelvan", "--server", address.c_str(), "--user", "alice", "--password", "pw-a",
                        "--receiver", rcv.c_str()};
  CONNECTION_INFO info;
  ASSERT_TRUE(StartOptions::Parse(9, argv).ConnectionInfo(info));
  frame->ConnectWith(info);
  ASSERT_TRUE(waitFor([&] { return frame->view()->texts().hasPosition; }, 30000))
      << frame->paneText(0).toStdString();
  EXPECT_TRUE(frame->windowTitle().startsWith("Stelvan-P to")) << frame->windowTitle().toStdString();

  // Bob leaves alice a file; her window opens the Messages window by itself.
  const std::string body = std::string(6000, 'x') + "end";
  const std::string sent = dir.str() + "/notes.txt";
  std::ofstream(sent, std::ios::binary) << body;
  CConnection bob;
  bob.SetTimeout(20);
  ASSERT_EQ(bob.Open(address.c_str(), "bob", "pw-b", "test"), 1) << bob.GetReplyString();
  ASSERT_EQ(bob.SetMsg("alice", "Survey", sent.c_str(), keepGoing, 0), 1) << bob.GetReplyString();
  CMessage* window = nullptr;
  ASSERT_TRUE(waitFor(
      [&] {
        window = frame->findChild<CMessage*>();
        return window && window->findChild<QTreeWidget*>("list")->topLevelItemCount() == 1;
      },
      30000));

  // Reading it into a folder: the transfer's block reports move the window's progress bar.
  TempDir inbox;
  window->findChild<QLineEdit*>("pathFile")->setText(QString::fromStdString(inbox.str()));
  auto* list = window->findChild<QTreeWidget*>("list");
  list->topLevelItem(0)->setSelected(true);
  QSignalSpy moved(window->findChild<QProgressBar*>("progress"), &QProgressBar::valueChanged);
  window->findChild<QPushButton*>("get")->click();
  const std::string name = list->topLevelItem(0)->text(0).toStdString();
  std::ifstream in(inbox.str() + "/" + name, std::ios::binary);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == body);
  EXPECT_TRUE(waitFor([&] { return !moved.isEmpty() && moved.last().at(0).toInt() > 0; }, 10000));
  bob.Close();

  // The server goes away: the window says why and the session logs in again by itself.
  CConnection* const conn = app->Connection();
  server.Stop();
  EXPECT_TRUE(waitFor([&] { return frame->windowTitle().endsWith("(server lost)"); }, 30000))
      << frame->windowTitle().toStdString();
  EXPECT_EQ(app->session().state(), session::SessionState::Reconnecting);
  EXPECT_TRUE(
      waitFor([&] { return frame->paneText(0).startsWith("Server lost: Server is shutting down"); }, 5000))
      << frame->paneText(0).toStdString();
  EXPECT_TRUE(frame->action("actionDisconnect")->isEnabled());
  EXPECT_FALSE(frame->action("actionConnection")->isEnabled());
  ServerProcess back(
      {"--listen", address, "--users", users, "--store", dir.str() + "/store", "--receiver", rcv});
  ASSERT_NE(back.port(), 0u) << back.log();
  EXPECT_TRUE(waitFor([&] { return app->session().state() == session::SessionState::Live; }, 60000))
      << frame->paneText(0).toStdString();
  EXPECT_TRUE(waitFor([&] { return frame->view()->texts().hasPosition; }, 30000));
  EXPECT_TRUE(frame->windowTitle().startsWith("Stelvan-P to")) << frame->windowTitle().toStdString();
  EXPECT_EQ(app->Connection(), conn) << "the Messages window keeps this connection";

  // Disconnect ends it; the connection goes.
  frame->Disconnect();
  EXPECT_TRUE(waitFor([&] { return app->Connection() == nullptr; }, 30000));
  EXPECT_EQ(frame->windowTitle(), "Stelvan-P(idle)");
  EXPECT_EQ(app->session().state(), session::SessionState::Idle);
  frame.reset();
  app.reset();
  PumpingWait::RemovePumpHook();
}

}  // namespace
