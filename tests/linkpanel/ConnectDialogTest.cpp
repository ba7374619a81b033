// "Select Server and Receivers" on the offscreen platform: what it offers with and without
// stored servers, what OK returns, what closing writes back, and how it meets a remote
// server that fails or stays silent.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "DialogTestSupport.h"
#include "TempDir.h"
#include "dialogs/CServerRcvDlg.h"
#include "dialogs/ReceiverListView.h"
#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"
#include "gridlink/platform/MessagePump.h"
#include "linkpanel/Linkpanel.h"
#include "list/ReceiverListFetch.h"
#include "list/ServerList.h"

using namespace Kestrel;
using lptest::Find;

namespace {

std::vector<std::string> rowsOf(QTreeWidget* list) {
  std::vector<std::string> rows;
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    rows.push_back(ReceiverListView::Receiver(list->topLevelItem(i)));
  return rows;
}

std::vector<std::string> comboItems(QComboBox* combo) {
  std::vector<std::string> items;
  for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
  return items;
}

// A listening socket on 127.0.0.1 that never answers; closing it refuses the waiting client.
struct SilentServer {
  SilentServer() {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), len) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
      std::abort();
    port = ntohs(sa.sin_port);
  }
  ~SilentServer() { Close(); }
  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  int fd = -1;
  int port = 0;
};

class ConnectDialogTest : public ::testing::Test {
 protected:
  ScopedConfigHome config;
  CProfile settings{kDialogSettingsKey};
  CProfile& connection = CConnection::getProfile();
};

TEST_F(ConnectDialogTest, WithNoStoredServersOffersOnlyTheLocalServerAndStoresItWithItsLogin) {
  {
    CServerRcvDlg dlg(CONNECTION_INFO{});
    auto* servers = Find<QComboBox>(&dlg, "ctl1000");
    EXPECT_EQ(comboItems(servers), std::vector<std::string>{"LServer"});
    EXPECT_EQ(servers->currentText(), "LServer");
    EXPECT_EQ(Find<QPushButton>(&dlg, "ctl1003")->text(), "Add IP RCV");
    EXPECT_TRUE(Find<QPushButton>(&dlg, "ctl1017")->isHidden());
    EXPECT_FALSE(Find<QCheckBox>(&dlg, "ctl2002")->isHidden());
    dlg.reject();
  }
  EXPECT_STREQ(settings.Read("", "Server0", ""), "LServer Kelmo  Kelmo");
  EXPECT_STREQ(settings.Read("", "LastServer", ""), "LServer");
}

TEST_F(ConnectDialogTest, StoredServersAreListedByNameAndWrittenBackInThatOrder) {
  settings.Write("", "Server0", "zeta.example u1 p1");
  settings.Write("", "Server1", "LServer Kelmo  Kelmo");
  settings.Write("", "Server2", "Alpha.example u2");
  settings.Write("", "LastServer", "LServer");
  {
    CServerRcvDlg dlg(CONNECTION_INFO{});
    auto* servers = Find<QComboBox>(&dlg, "ctl1000");
    EXPECT_EQ(comboItems(servers), (std::vector<std::string>{"Alpha.example", "LServer", "zeta.example"}));
    EXPECT_EQ(servers->currentText(), "LServer");
    dlg.reject();
  }
  std::vector<std::string> stored;
  GetAllServers(stored);
  EXPECT_EQ(stored, (std::vector<std::string>{"Alpha.example", "LServer", "zeta.example"}));
  std::string user, password;
  ASSERT_TRUE(GetServerInfo("zeta.example", user, password));
  EXPECT_EQ(user + "/" + password, "u1/p1");
  ASSERT_TRUE(GetServerInfo("Alpha.example", user, password));
  EXPECT_EQ(user + "/" + password, "u2/");
}

TEST_F(ConnectDialogTest, OkWithNoSelectedRowReturnsEveryListedReceiver) {
  connection.Write("LServer", "LastCOM", "COM/dev/ttyUSB7:115200:1,");
  connection.Write("LServer", "LastTCP", "TCP:192.168.1.5:8002:x,");
  std::vector<std::string> listed;
  bool anySelected = true;
  lptest::ModalWatcher watcher;
  watcher.onDialog = [&](QDialog* dlg) {
    auto* list = Find<QTreeWidget>(dlg, "ctl2000");
    listed = rowsOf(list);
    anySelected = !list->selectedItems().isEmpty();
    Find<QPushButton>(dlg, "ctl1")->click();
  };
  CONNECTION_INFO info;
  ASSERT_TRUE(GetServerAndRcvList(info));
  EXPECT_TRUE(watcher.boxes.empty());
  EXPECT_FALSE(anySelected);
  EXPECT_EQ(info.receivers, listed);
  EXPECT_NE(std::find(listed.begin(), listed.end(), "COM/dev/ttyUSB7:115200:1"), listed.end());
  EXPECT_NE(std::find(listed.begin(), listed.end(), "TCP:192.168.1.5:8002:x"), listed.end());
  EXPECT_EQ(info.server, "LServer");
  EXPECT_FALSE(info.manualModeOnly);
}

TEST_F(ConnectDialogTest, ManualModeOnlyIsStoredAtOnceAndReturned) {
  lptest::ModalWatcher watcher;
  int storedWhileOpen = -1;
  watcher.onDialog = [&](QDialog* dlg) {
    Find<QCheckBox>(dlg, "ctl2002")->click();
    storedWhileOpen = CConnection::getProfile().Read("ManualMode", "ManModeOnly", 0);
    Find<QPushButton>(dlg, "ctl1")->click();
  };
  CONNECTION_INFO info;
  ASSERT_TRUE(GetServerAndRcvList(info));
  EXPECT_EQ(storedWhileOpen, 1);
  EXPECT_TRUE(info.manualModeOnly);
}

TEST_F(ConnectDialogTest, CancelLeavesTheCallersChoiceAlone) {
  lptest::ModalWatcher watcher;
  watcher.onDialog = [](QDialog* dlg) { Find<QPushButton>(dlg, "ctl2")->click(); };
  CONNECTION_INFO info;
  info.server = "LServer";
  info.receivers = {"COM3:115200:1"};
  EXPECT_FALSE(GetServerAndRcvList(info));
  EXPECT_EQ(info.receivers, std::vector<std::string>{"COM3:115200:1"});
}

TEST_F(ConnectDialogTest, SelectServerReturnsTheChosenEntryWithoutAskingIt) {
  settings.Write("", "Server0", "LServer Kelmo  Kelmo");
  settings.Write("", "Server1", "rtk.example.org ann pw");
  settings.Write("", "LastServer", "rtk.example.org");
  lptest::ModalWatcher watcher;
  QString editText;
  watcher.onDialog = [&](QDialog* dlg) {
    EXPECT_EQ(dlg->objectName(), "dlg131");
    EXPECT_EQ(Find<QComboBox>(dlg, "ctl1000")->currentText(), "rtk.example.org");
    editText = Find<QPushButton>(dlg, "ctl1003")->text();
    if (const char* dir = std::getenv("LINKPANEL_GRAB_DIR"))
      dlg->grab().save(QString::fromLatin1(dir) + "/select-server.png");
    Find<QPushButton>(dlg, "ctl1")->click();
  };
  CONNECTION_INFO info;
  info.receivers = {"COM3:115200:1"};
  ASSERT_TRUE(GetServer(info));
  EXPECT_EQ(editText, "Edit Server...");
  EXPECT_EQ(info.server, "rtk.example.org");
  EXPECT_EQ(info.user, "ann");
  EXPECT_EQ(info.password, "pw");
  EXPECT_EQ(info.receivers, std::vector<std::string>{"COM3:115200:1"});
  EXPECT_EQ(ReceiverListFetch::RunningWorkers(), 0);
}

// The program's pump hook dispatches events while the local server answers; a click then
// must not start a second listing inside the first.
QPushButton* g_getList = nullptr;
void clickGetListOnce() {
  if (QPushButton* button = std::exchange(g_getList, nullptr)) QTest::mouseClick(button, Qt::LeftButton);
}

TEST_F(ConnectDialogTest, ClickWhileTheLocalServerAnswersDoesNotListTwice) {
  connection.Write("LServer", "LastCOM", "COM/dev/ttyUSB7:115200:1,");
  CServerRcvDlg dlg(CONNECTION_INFO{});
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  g_getList = Find<QPushButton>(&dlg, "ctl1002");
  const Platform::PumpHook previous = Platform::SetPumpHook(clickGetListOnce);
  g_getList->click();
  Platform::SetPumpHook(previous);
  EXPECT_EQ(g_getList, nullptr) << "the hook ran";
  const std::vector<std::string> rows = rowsOf(Find<QTreeWidget>(&dlg, "ctl2000"));
  EXPECT_EQ(std::count(rows.begin(), rows.end(), "COM/dev/ttyUSB7:115200:1"), 1);
  dlg.reject();
}

TEST_F(ConnectDialogTest, RemoteServerThatCannotBeOpenedShowsItsReplyInAnErrorBox) {
  int port = 0;
  {
    SilentServer closed;  // a port that was just free, so the connection is refused
    port = closed.port;
  }
  const std::string server = "127.0.0.1:" + std::to_string(port);
  settings.Write("", "Server0", (server + " ann pw").c_str());
  settings.Write("", "LastServer", server.c_str());
  lptest::ModalWatcher watcher;
  CServerRcvDlg dlg(CONNECTION_INFO{});
  dlg.show();
  ASSERT_TRUE(lptest::WaitUntil([&] { return !watcher.boxes.empty(); }));
  EXPECT_EQ(watcher.boxes[0].title, "ERROR");
  EXPECT_EQ(watcher.boxes[0].text, "ERDLL:Don't connection to server!");
  EXPECT_EQ(Find<QTreeWidget>(&dlg, "ctl2000")->topLevelItemCount(), 0);
  EXPECT_TRUE(Find<QPushButton>(&dlg, "ctl1002")->isEnabled());
  EXPECT_EQ(Find<QPushButton>(&dlg, "ctl1003")->text(), "Edit Server...");
  EXPECT_FALSE(Find<QPushButton>(&dlg, "ctl1017")->isHidden());
  EXPECT_TRUE(Find<QCheckBox>(&dlg, "ctl2002")->isHidden());
  if (const char* dir = std::getenv("LINKPANEL_GRAB_DIR"))
    dlg.grab().save(QString::fromLatin1(dir) + "/connect-remote.png");
  dlg.reject();
}

TEST_F(ConnectDialogTest, AddedServerIsAskedAtOnceAndADeletedOneIsGoneForGood) {
  int port = 0;
  {
    SilentServer closed;
    port = closed.port;
  }
  const std::string server = "127.0.0.1:" + std::to_string(port);
  lptest::ModalWatcher watcher;
  watcher.onDialog = [&](QDialog* props) {
    Find<QLineEdit>(props, "ctl1007")->setText(QString::fromStdString(server));
    Find<QLineEdit>(props, "ctl1000")->setText("ann");
    Find<QLineEdit>(props, "ctl1001")->setText("pw");
    Find<QPushButton>(props, "ctl1")->click();
  };
  {
    CServerRcvDlg dlg(CONNECTION_INFO{});
    dlg.show();
    Find<QPushButton>(&dlg, "ctl1005")->click();
    auto* servers = Find<QComboBox>(&dlg, "ctl1000");
    EXPECT_EQ(comboItems(servers), (std::vector<std::string>{server, "LServer"}));
    EXPECT_EQ(servers->currentText().toStdString(), server);
    ASSERT_TRUE(lptest::WaitUntil([&] { return !watcher.boxes.empty(); })) << "the new server was asked";
    EXPECT_EQ(watcher.boxes[0].text, "ERDLL:Don't connection to server!");

    Find<QPushButton>(&dlg, "ctl1017")->click();
    EXPECT_EQ(comboItems(servers), std::vector<std::string>{"LServer"});
    EXPECT_EQ(servers->currentIndex(), -1);
    dlg.reject();
  }
  std::vector<std::string> stored;
  GetAllServers(stored);
  EXPECT_EQ(stored, std::vector<std::string>{"LServer"});
  EXPECT_EQ(GetLastServer(), "");
}

TEST_F(ConnectDialogTest, SilentRemoteServerLeavesTheDialogLiveAndClosable) {
  SilentServer silent;
  const std::string server = "127.0.0.1:" + std::to_string(silent.port);
  settings.Write("", "Server0", (server + " ann pw").c_str());
  settings.Write("", "LastServer", server.c_str());
  {
    auto dlg = std::make_unique<CServerRcvDlg>(CONNECTION_INFO{});
    dlg->show();
    EXPECT_TRUE(dlg->ListPending());
    EXPECT_FALSE(Find<QPushButton>(dlg.get(), "ctl1002")->isEnabled());
    bool ran = false;
    QTimer::singleShot(0, dlg.get(), [&] { ran = true; });
    EXPECT_TRUE(lptest::WaitUntil([&] { return ran; }));
    EXPECT_TRUE(dlg->ListPending());
    dlg->reject();
  }
  // The abandoned request ends once the server goes away.
  silent.Close();
  EXPECT_TRUE(lptest::WaitUntil([] { return ReceiverListFetch::RunningWorkers() == 0; }));
  EXPECT_STREQ(settings.Read("", "LastServer", ""), server.c_str());
}

}  // namespace
