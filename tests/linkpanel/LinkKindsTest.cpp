// Every link kind from the local server's receiver list: Wi-Fi and GSM receivers are added
// and edited in place, network rows take host names, and the last receiver of each kind comes
// back with the list. Set STELVAN_SCREENSHOT_DIR to keep wifi-gsm.png.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>

#include "DialogTestSupport.h"
#include "TempDir.h"
#include "dialogs/CServerRcvDlg.h"
#include "dialogs/ReceiverListView.h"
#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"
#include "list/ServerList.h"

using namespace Kestrel;
using lptest::Find;

namespace {

constexpr const char* kWifiRow = "WIFI:rover-3.local:8000:";
constexpr const char* kGsmRow = "GSM/dev/ttyUSB1:0041791234567:1234:115200";

class LinkKindsTest : public ::testing::Test {
 protected:
  void offer(const char* key, const std::string& row) {
    CConnection::getProfile().Write("LServer", key, (row + ",").c_str());
  }
  static bool listed(CServerRcvDlg& dlg, const std::string& text) {
    return Find<ReceiverListView>(&dlg, "ctl2000")->FindRow(text) != nullptr;
  }
  ScopedConfigHome config;
  CProfile settings{kDialogSettingsKey};
};

TEST_F(LinkKindsTest, WifiAndGsmReceiversAreAddedFromTheLocalServersButtons) {
  lptest::ModalWatcher watcher;
  CServerRcvDlg dlg(CONNECTION_INFO{});
  dlg.show();
  auto* addGsm = Find<QPushButton>(&dlg, "btnAddGsm");
  ASSERT_NE(addGsm, nullptr);
  EXPECT_TRUE(addGsm->isVisible());
  watcher.onDialog = [](QDialog* gsm) {
    Find<QComboBox>(gsm, "cmbModemPort")->setCurrentText("/dev/ttyUSB1");
    Find<QLineEdit>(gsm, "edtNumber")->setText("0041791234567");
    Find<QLineEdit>(gsm, "edtPin")->setText("1234");
    gsm->accept();
  };
  addGsm->click();
  EXPECT_TRUE(listed(dlg, kGsmRow));

  lptest::ModalWatcher second;
  second.onDialog = [](QDialog* ip) {
    Find<QComboBox>(ip, "cmbLink")->setCurrentIndex(1);  // Wi-Fi: no login, port 8000
    Find<QLineEdit>(ip, "ctl2000")->setText("rover-3.local");
    ip->accept();
  };
  Find<QPushButton>(&dlg, "ctl1003")->click();
  EXPECT_TRUE(listed(dlg, kWifiRow));
  EXPECT_TRUE(watcher.boxes.empty() && second.boxes.empty());
  dlg.reject();
}

TEST_F(LinkKindsTest, RowsOfEveryKindAreOfferedAndEditedInPlace) {
  offer("LastWIFI", kWifiRow);
  offer("LastGSM", kGsmRow);
  offer("LastTCP", "TCP:10.0.0.8:8002:pw");
  settings.Write("", "LastRcv", kGsmRow);
  lptest::ModalWatcher watcher;
  CServerRcvDlg dlg(CONNECTION_INFO{});
  dlg.resize(560, 400);
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  EXPECT_TRUE(listed(dlg, kWifiRow));
  ASSERT_TRUE(listed(dlg, "TCP:10.0.0.8:8002:pw"));
  EXPECT_EQ(Find<ReceiverListView>(&dlg, "ctl2000")->FindRow("TCP:10.0.0.8:8002:pw")->text(0),
            "TCP:10.0.0.8:8002:****");
  // The last one opened comes up in its editor: the modem's fields.
  auto* number = Find<QLineEdit>(&dlg, "edtNumber");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->text(), "0041791234567");
  EXPECT_EQ(Find<QLineEdit>(&dlg, "edtPin")->text(), "1234");
  EXPECT_EQ(Find<QComboBox>(&dlg, "cmbModemPort")->currentText(), "/dev/ttyUSB1");
  if (const char* dir = std::getenv("STELVAN_SCREENSHOT_DIR")) {
    dlg.grab().save(QDir(dir).filePath("wifi-gsm.png"));
    std::printf("screenshot: %s\n", QDir(dir).filePath("wifi-gsm.png").toLocal8Bit().constData());
  }
  Find<QComboBox>(&dlg, "cmbModemRate")->setCurrentText("19200");
  number->setText("");
  Find<QPushButton>(&dlg, "ctl1")->click();
  ASSERT_EQ(watcher.boxes.size(), 1u);
  EXPECT_EQ(watcher.boxes[0].text, "Invalid telephone number.");
  number->setText("555");
  Find<QPushButton>(&dlg, "ctl1")->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.Info().receivers, std::vector<std::string>{"GSM/dev/ttyUSB1:555:1234:19200"});
}

TEST_F(LinkKindsTest, NetworkRowTakesAHostNameButNotANumberAbove255) {
  offer("LastWIFI", kWifiRow);
  settings.Write("", "LastRcv", kWifiRow);
  lptest::ModalWatcher watcher;
  CServerRcvDlg dlg(CONNECTION_INFO{});
  dlg.show();
  auto* host = Find<QLineEdit>(&dlg, "edtHost");
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->text(), "rover-3.local");
  host->setText("10.0.256.1");
  Find<QPushButton>(&dlg, "ctl1")->click();
  ASSERT_EQ(watcher.boxes.size(), 1u);
  EXPECT_EQ(watcher.boxes[0].text, "Invalid IP address.");
  host->setText("base.example.org");
  Find<QLineEdit>(&dlg, "edtPort")->setText("70000");
  Find<QPushButton>(&dlg, "ctl1")->click();
  ASSERT_EQ(watcher.boxes.size(), 2u);
  EXPECT_EQ(watcher.boxes[1].text, "Invalid port number.");
  Find<QLineEdit>(&dlg, "edtPort")->setText("8001");
  Find<QPushButton>(&dlg, "ctl1")->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.Info().receivers, std::vector<std::string>{"WIFI:base.example.org:8001:"});
}

TEST_F(LinkKindsTest, PortsPluggedInAndPulledOutComeAndGoFromTheLocalList) {
  offer("LastCOM", "COM/dev/ttyUSB0:9600:0");
  CServerRcvDlg dlg(CONNECTION_INFO{});
  dlg.show();
  auto* list = static_cast<ReceiverListView*>(Find<QTreeWidget>(&dlg, "ctl2000"));
  const std::string byId = "COM/dev/serial/by-id/usb-Acme_GNSS_Receiver_0042-if00-port0:115200:1";
  const int before = list->topLevelItemCount();
  list->AddPortRow(byId);
  list->AddPortRow(byId);  // udev may tell twice
  EXPECT_EQ(list->topLevelItemCount(), before + 1);
  EXPECT_TRUE(listed(dlg, byId));
  // Pulled out: the rows naming it by either path go.
  list->RemovePortRows("/dev/ttyUSB0", "/dev/serial/by-id/usb-Acme_GNSS_Receiver_0042-if00-port0");
  EXPECT_FALSE(listed(dlg, byId));
  EXPECT_FALSE(listed(dlg, "COM/dev/ttyUSB0:9600:0"));
  EXPECT_EQ(list->topLevelItemCount(), before - 1);
  dlg.reject();
}

}  // namespace
