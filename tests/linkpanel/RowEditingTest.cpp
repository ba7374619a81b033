// In-place editing of the local server's receiver rows: the last opened receiver comes up in
// its editor, a network row with a bad address cannot be taken, a serial row keeps its device
// path, and OK returns the edited row. Also the two small dialogs and a picture of the
// dialog with the simulator's receiver listed.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "DialogTestSupport.h"
#include "TempDir.h"
#include "dialogs/CAddIPRcvDlg.h"
#include "dialogs/CServerPropertiesDlg.h"
#include "dialogs/CServerRcvDlg.h"
#include "dialogs/ReceiverListView.h"
#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"
#include "list/ReceiverRow.h"
#include "list/ServerList.h"
#include "rcvsim/Simulator.h"

using namespace Kestrel;
using lptest::Find;

namespace {

constexpr const char* kTcpRow = "TCP:10.0.256.1:8002:pw";
constexpr const char* kComRow = "COM/dev/ttyUSB7:115200:1";

class RowEditingTest : public ::testing::Test {
 protected:
  void offer(const std::string& lastCom, const std::string& lastTcp, const std::string& lastRcv) {
    CConnection::getProfile().Write("LServer", "LastCOM", lastCom.empty() ? "" : (lastCom + ",").c_str());
    CConnection::getProfile().Write("LServer", "LastTCP", lastTcp.empty() ? "" : (lastTcp + ",").c_str());
    settings.Write("", "LastRcv", lastRcv.c_str());
  }
  QTreeWidgetItem* row(CServerRcvDlg& dlg, const char* text) {
    return Find<ReceiverListView>(&dlg, "ctl2000")->FindRow(text);
  }

  ScopedConfigHome config;
  CProfile settings{kDialogSettingsKey};
};

TEST_F(RowEditingTest, NetworkRowWithAnAddressAbove255IsRefusedUntilCorrected) {
  offer("", kTcpRow, kTcpRow);
  lptest::ModalWatcher watcher;
  CServerRcvDlg dlg(CONNECTION_INFO{});
  dlg.show();
  auto* host = Find<QLineEdit>(&dlg, "edtHost");
  ASSERT_NE(host, nullptr) << "the last opened receiver comes up in its editor";
  EXPECT_EQ(host->text(), "10.0.256.1");

  Find<QPushButton>(&dlg, "ctl1")->click();
  ASSERT_EQ(watcher.boxes.size(), 1u);
  EXPECT_EQ(watcher.boxes[0].title, "ERROR");
  EXPECT_EQ(watcher.boxes[0].text, "Invalid IP address.");
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(Find<QLineEdit>(&dlg, "edtHost"), host);
  EXPECT_NE(row(dlg, kTcpRow), nullptr);

  host->setText("10.0.25.1");
  Find<QPushButton>(&dlg, "ctl1")->click();
  EXPECT_EQ(watcher.boxes.size(), 1u);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.Info().receivers, std::vector<std::string>{"TCP:10.0.25.1:8002:pw"});
}

TEST_F(RowEditingTest, SerialRowOffersTheRatesAndKeepsItsDevicePath) {
  offer(kComRow, "", kComRow);
  CServerRcvDlg dlg(CONNECTION_INFO{});
  dlg.show();
  auto* rate = Find<QComboBox>(&dlg, "cmbRate");
  ASSERT_NE(rate, nullptr);
  QStringList rates;
  for (int i = 0; i < rate->count(); ++i) rates << rate->itemText(i);
  EXPECT_EQ(rates.join(' '), "1500000 460800 230400 115200 57600 38400 19200 9600 4800 2400 1200");
  EXPECT_EQ(rate->currentText(), "115200");
  EXPECT_EQ(Find<QComboBox>(&dlg, "cmbPort")->currentText(), "/dev/ttyUSB7");
  auto* rtsCts = Find<QCheckBox>(&dlg, "chkRtsCts");
  EXPECT_TRUE(rtsCts->isChecked());

  rate->setCurrentText("9600");
  rtsCts->setChecked(false);
  Find<QPushButton>(&dlg, "ctl1")->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.Info().receivers, std::vector<std::string>{"COM/dev/ttyUSB7:9600:0"});
}

TEST_F(RowEditingTest, ClickOnAnotherRowCommitsTheOpenEdit) {
  offer(kComRow, "TCP:10.0.0.8:8002:pw", kComRow);
  CServerRcvDlg dlg(CONNECTION_INFO{});
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  Find<QComboBox>(&dlg, "cmbRate")->setCurrentText("4800");
  auto* list = Find<QTreeWidget>(&dlg, "ctl2000");
  QTreeWidgetItem* tcp = row(dlg, "TCP:10.0.0.8:8002:pw");
  ASSERT_NE(tcp, nullptr);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(tcp).topLeft() + QPoint(4, 4));
  QTreeWidgetItem* com = row(dlg, "COM/dev/ttyUSB7:4800:1");
  ASSERT_NE(com, nullptr);
  EXPECT_EQ(list->itemWidget(com, 0), nullptr);
  auto* host = Find<QLineEdit>(&dlg, "edtHost");
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->text(), "10.0.0.8");
  dlg.reject();
}

TEST_F(RowEditingTest, AddIpReceiverAndServerPropertiesDialogs) {
  CAddIPRcvDlg add(nullptr);
  EXPECT_EQ(Find<QLineEdit>(&add, "ctl2003")->text(), "8002");
  Find<QLineEdit>(&add, "ctl2000")->setText("192.168.3.9");
  Find<QLineEdit>(&add, "ctl2001")->setText("pw");
  EXPECT_EQ(add.ReceiverString(), "TCP:192.168.3.9:8002:pw");

  CServerPropertiesDlg props(ServerEntry{}, nullptr);
  auto* ok = Find<QPushButton>(&props, "ctl1");
  EXPECT_FALSE(ok->isEnabled());
  Find<QLineEdit>(&props, "ctl1007")->setText("   ");
  EXPECT_FALSE(ok->isEnabled());
  Find<QLineEdit>(&props, "ctl1007")->setText(" rtk.example.org ");
  EXPECT_TRUE(ok->isEnabled());
  EXPECT_EQ(Find<QLineEdit>(&props, "ctl1001")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(props.Entry().server, "rtk.example.org");
  EXPECT_FALSE(props.Entry().tls);
  Find<QCheckBox>(&props, "ctlTls")->setChecked(true);
  EXPECT_TRUE(props.Entry().tls);
  if (const char* dir = std::getenv("LINKPANEL_GRAB_DIR")) {
    add.grab().save(QDir(dir).filePath("add-ip-receiver.png"));
    props.grab().save(QDir(dir).filePath("server-properties.png"));
  }
}

// Set LINKPANEL_GRAB_DIR to keep the pictures.
TEST_F(RowEditingTest, SimulatorOnAPseudoTerminalIsListed) {
  TempDir files;
  rcvsim::Options options;
  options.pty = true;
  options.filesDir = files.str();
  rcvsim::Simulator sim(options);
  std::string error;
  ASSERT_TRUE(sim.start(error)) << error;
  const std::string rcv = "COM" + sim.ptyPath() + ":115200:1";
  for (const bool lastOpened : {false, true}) {
    offer(rcv, "", lastOpened ? rcv : "");
    CServerRcvDlg dlg(CONNECTION_INFO{});
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_NE(row(dlg, rcv.c_str()), nullptr);
    EXPECT_EQ(Find<QComboBox>(&dlg, "cmbPort") != nullptr, lastOpened);
    if (const char* dir = std::getenv("LINKPANEL_GRAB_DIR"))
      dlg.grab().save(QDir(dir).filePath(lastOpened ? "connect-editing.png" : "connect.png"));
    dlg.reject();
  }
  sim.stop();
}

}  // namespace
