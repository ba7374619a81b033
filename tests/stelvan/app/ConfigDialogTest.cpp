// The configuration dialog offscreen against the simulator.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <fstream>

#include "AppFixture.h"
#include "CReceiverSender.h"
#include "ScriptText.h"
#include "SetupPages.h"
#include "config/CCompareSetupDlg.h"
#include "config/CDatumDlg.h"
#include "config/CDialogRCV.h"
#include "config/CReceiverCfgDlg.h"
#include "config/ConfigPages.h"
#include "gridlink/CProfile.h"

namespace {

std::string stored(std::string v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return ScriptText::lower(v);
}

class ConfigDialogTest : public AppTest {};

TEST_F(ConfigDialogTest, EveryPageShowsTheReceiversValues) {
  CReceiverCfgDlg dlg(rcv);
  dlg.resize(900, 700);
  for (int p = 0; p < dlg.pageCount(); ++p) {
    dlg.tabs()->setCurrentIndex(p);
    CDialogRCV* page = dlg.page(p);
    ASSERT_TRUE(page->loaded()) << p;
    int checkedControls = 0;
    for (std::size_t i = 0; i < page->model().size(); ++i) {
      const ParamSpec& s = page->model().spec(i);
      std::string want;
      if (s.hidden || !s.mask.empty() || !page->model().at(i).enabled || !sim->paramValue(s.path, want))
        continue;
      const QString name = QString::fromStdString(s.path);
      if (s.kind == ParamKind::Edit) {
        auto* edit = page->findChild<QLineEdit*>(name);
        ASSERT_TRUE(edit) << s.path;
        EXPECT_EQ(stored(edit->text().toStdString()), stored(want)) << s.path;
        ++checkedControls;
      } else if (s.kind == ParamKind::Choice) {
        auto* combo = page->findChild<QComboBox*>(name);
        ASSERT_TRUE(combo) << s.path;
        EXPECT_EQ(stored(combo->currentData().toString().toStdString()), stored(want)) << s.path;
        ++checkedControls;
      } else if (s.kind == ParamKind::Check) {
        auto* box = page->findChild<QCheckBox*>(name);
        ASSERT_TRUE(box) << s.path;
        EXPECT_EQ(box->isChecked(), stored(want) == stored(s.choices[0].value) || CPageModel::isOn(want))
            << s.path;
        ++checkedControls;
      }
    }
    EXPECT_GT(checkedControls, 2) << SetupPages::kNames[static_cast<std::size_t>(p)];
    if (!shotDir().empty()) {
      page->show();
      dlg.grab().save(QString::fromStdString(shotDir() + "/config-" +
                                             SetupPages::kNames[static_cast<std::size_t>(p)] + ".png"));
    }
  }
}

TEST_F(ConfigDialogTest, ApplySendsTheChangedValueAloneAndRefusesAnOutOfRangeOne) {
  CReceiverCfgDlg dlg(rcv);
  dlg.tabs()->setCurrentIndex(7);
  CDialogRCV* page = dlg.page(7);
  auto* apply = dlg.findChild<QPushButton*>("apply");
  auto* rate = page->findChild<QLineEdit*>("/par/raw/msint");
  ASSERT_TRUE(rate && apply);
  EXPECT_FALSE(apply->isEnabled());
  newCommands();

  rate->selectAll();
  QTest::keyClicks(rate, "5001");
  EXPECT_TRUE(apply->isEnabled());
  QTest::mouseClick(apply, Qt::LeftButton);
  EXPECT_EQ(dlg.statusText(), "Value out of range [10,5000] for raw measurements update rate");
  EXPECT_TRUE(newCommands().empty());

  rate->selectAll();
  QTest::keyClicks(rate, "200");
  QTest::mouseClick(apply, Qt::LeftButton);
  EXPECT_EQ(newCommands(), std::vector<std::string>{"set,/par/raw/msint,200"});
  EXPECT_FALSE(apply->isEnabled());
  std::string v;
  ASSERT_TRUE(sim->paramValue("/par/raw/msint", v));
  EXPECT_EQ(v, "200");

  // A changed combo on another page goes out with OK, and only it.
  dlg.tabs()->setCurrentIndex(0);
  auto* power = dlg.page(0)->findChild<QComboBox*>("/par/pwr/mode");
  ASSERT_TRUE(power);
  power->setCurrentIndex(1);
  emit power->activated(1);
  newCommands();
  EXPECT_TRUE(dlg.applyAll());
  EXPECT_EQ(newCommands(), std::vector<std::string>{"set,/par/pwr/mode,mix"});
}

TEST_F(ConfigDialogTest, SaveRefusesPendingChangesAndCompareListsWhatChanged) {
  CReceiverCfgDlg dlg(rcv);
  TempDir dir;
  const QString file = QString::fromStdString((dir.path() / "setup.zrc").string());
  auto* elm = dlg.page(0)->findChild<QLineEdit*>("/par/out/elm/cur/term");
  ASSERT_TRUE(elm);
  QTest::keyClicks(elm, "1");
  EXPECT_TRUE(dlg.saveSetup(file).startsWith("One or more parameter were changed but not applied."));
  EXPECT_TRUE(dlg.applyAll());
  ASSERT_EQ(dlg.saveSetup(file), "");

  std::string reply;
  newCommands();
  rcv->SendCommand("set,/par/raw/pll/order,2");
  rcv->SendCommand("set,/par/pos/elm,33");
  CReceiverCfgDlg again(rcv);
  again.readAll();
  std::vector<CDialogRCV*> pages;
  for (int i = 0; i < again.pageCount(); ++i) pages.push_back(again.page(i));
  CCompareSetupDlg compare(pages, again.sender());
  ASSERT_TRUE(compare.load(file));
  ASSERT_EQ(compare.table()->rowCount(), 2);
  EXPECT_EQ(compare.table()->item(0, 1)->text(), "Elv. mask(d): ");
  EXPECT_EQ(compare.table()->item(1, 0)->text(), "Advanced");
  EXPECT_EQ(compare.table()->item(1, 3)->text(), "3");
  newCommands();
  compare.table()->item(1, 0)->setCheckState(Qt::Checked);
  EXPECT_EQ(compare.applyTicked(), "");
  EXPECT_EQ(newCommands(), std::vector<std::string>{"set,/par/raw/pll/order,3"});
}

TEST_F(ConfigDialogTest, PortsPageSwitchesOutputsKeepsTheWifiLinkAndResetsAfterBluetooth) {
  CReceiverCfgDlg dlg(rcv);
  const std::string port = "COM" + sim->ptyPath() + ":115200:1";
  dlg.setReopen([this, port] { return rcv->Open(&conn, port.c_str(), 0) == 1; });
  dlg.tabs()->setCurrentIndex(5);
  CDialogRCV* page = dlg.page(5);
  auto* preset = page->findChild<QComboBox*>("/par/out/dev/ser/b:on");
  auto* period = page->findChild<QLineEdit*>("/par/out/dev/ser/b:on#period");
  auto* own = page->findChild<QComboBox*>("/par/out/dev/ser/a:on");
  ASSERT_TRUE(preset && period && own);
  EXPECT_FALSE(own->isEnabled());
  EXPECT_EQ(preset->currentText(), "None");
  EXPECT_FALSE(period->isEnabled());
  const int at = preset->findText("RTK CMR+ {10,0,9}");
  preset->setCurrentIndex(at);
  emit preset->activated(at);
  EXPECT_TRUE(period->isEnabled());
  period->selectAll();
  QTest::keyClicks(period, "2");
  auto* wifi = page->findChild<QCheckBox*>("/par/net/wlan/mode");
  ASSERT_TRUE(wifi);
  wifi->click();
  newCommands();
  ASSERT_TRUE(dlg.applyCurrent()) << dlg.statusText().toStdString();
  const std::vector<std::string> sent = newCommands();
  EXPECT_NE(std::find(sent.begin(), sent.end(), "em,/dev/ser/b,cmr{/10:2,/0:2,/9:1}"), sent.end());
  EXPECT_STREQ(CProfile().Read("LServer", "WIFI", ""), "WIFI:10.0.0.2:8002:,");
  EXPECT_FALSE(dlg.findChild<QMessageBox*>("resetReceiver"));

  if (!shotDir().empty()) {
    dlg.resize(900, 700);
    auto* sub = page->findChild<QTabWidget*>();
    for (const char* tab : {"TCP", "WIFI", "GSM"}) {
      for (int k = 0; k < sub->count(); ++k)
        if (sub->tabText(k) == tab) sub->setCurrentIndex(k);
      dlg.grab().save(QString::fromStdString(shotDir() + "/config-ports-" + tab + ".png"));
    }
  }

  // A new Bluetooth name resets the receiver, which is then opened again.
  auto* name = page->findChild<QLineEdit*>("/par/blt/name");
  ASSERT_TRUE(name);
  name->selectAll();
  QTest::keyClicks(name, "FIELD-7");
  newCommands();
  ASSERT_TRUE(dlg.applyCurrent()) << dlg.statusText().toStdString();
  const std::vector<std::string> reset = newCommands();
  ASSERT_GE(reset.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(reset.begin(), reset.begin() + 2),
            (std::vector<std::string>{"set,/par/blt/name,FIELD-7", "set,reset,yes"}));
  auto* box = dlg.findChild<QMessageBox*>("resetReceiver");
  ASSERT_TRUE(box);
  EXPECT_EQ(box->windowTitle(), "Reset Receiver");
  EXPECT_EQ(box->text(), "The receiver has been reset!");
  std::string reply;
  EXPECT_TRUE(dlg.sender().SendCommand("print,/par/blt/name", 0, reply)) << reply;
  EXPECT_NE(reply.find("FIELD-7"), std::string::npos);
}

TEST_F(ConfigDialogTest, PositioningListsButtonsGloNumberingAndDatum) {
  CReceiverCfgDlg dlg(rcv);
  dlg.tabs()->setCurrentIndex(2);
  auto* page = static_cast<CPositioningPage*>(dlg.page(2));
  auto* noneToUse = page->findChild<QPushButton*>("/par/pos/gps/sat#none");
  ASSERT_TRUE(noneToUse);
  QTest::mouseClick(noneToUse, Qt::LeftButton);
  EXPECT_FALSE(page->findChild<QCheckBox*>("/par/pos/gps/sat#4")->isChecked());
  newCommands();
  ASSERT_TRUE(dlg.applyCurrent()) << dlg.statusText().toStdString();
  EXPECT_EQ(newCommands(),
            std::vector<std::string>{
                "set,/par/pos/gps/sat,{n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n}"});

  // The GLONASS numbering shows one of the two lists and is remembered.
  auto* slotRow = page->findChild<QWidget*>("/par/pos/glo/sat");
  auto* channelRow = page->findChild<QWidget*>("/par/lock/glo/fcn");
  ASSERT_TRUE(slotRow && channelRow);
  page->findChild<QTabWidget*>()->setCurrentIndex(1);
  EXPECT_TRUE(channelRow->isVisibleTo(page) && !slotRow->isVisibleTo(page));
  page->findChild<QRadioButton*>("gloBySlot")->click();
  EXPECT_TRUE(slotRow->isVisibleTo(page) && !channelRow->isVisibleTo(page));
  EXPECT_EQ(CProfile().Read("Positioning", "GLOEnumeration", 0), 1);
  CPositioningPage again(dlg.sender());
  EXPECT_TRUE(again.findChild<QRadioButton*>("gloBySlot")->isChecked());

  // The user datum: read, changed and sent whole.
  std::string reply;
  ASSERT_TRUE(dlg.sender().SendCommand("set,/par/pos/datum/cur,USER", 0, reply));
  CDatumDlg datum(dlg.sender());
  datum.read();
  EXPECT_EQ(datum.findChild<QLabel*>("current")->text(), "USER");
  EXPECT_EQ(datum.findChild<QLineEdit*>("axis")->text(), "6378137.000");
  auto* dx = datum.findChild<QLineEdit*>("shift0");
  dx->setText("1.5");
  newCommands();
  EXPECT_EQ(datum.applyFields(), "");
  EXPECT_EQ(newCommands(),
            std::vector<std::string>{
                "set,/par/pos/datum/USER,{{U-,6378137.000,298.257223563},{USER,0,1.5,0,0,0,0,0,0}}"});
  ASSERT_TRUE(dlg.sender().SendCommand("set,/par/pos/datum/cur,W84", 0, reply));
  datum.read();
  EXPECT_FALSE(dx->isEnabled());
}

TEST_F(ConfigDialogTest, ExternalFrequencyStateIsReadAgainOnItsOwn) {
  CReceiverCfgDlg dlg(rcv);
  dlg.tabs()->setCurrentIndex(7);
  auto* page = static_cast<CAdvancedPage*>(dlg.page(7));
  auto* status = page->findChild<QLabel*>("/par/frq/in/status");
  ASSERT_TRUE(status);
  EXPECT_EQ(status->text(), "none");
  std::string reply;
  ASSERT_TRUE(dlg.sender().SendCommand("set,/par/frq/mode,use", 0, reply));
  auto* rate = page->findChild<QLineEdit*>("/par/raw/msint");
  rate->selectAll();
  QTest::keyClicks(rate, "250");  // an edit in progress stays as it is
  newCommands();
  QTest::mouseClick(page->findChild<QPushButton*>("refreshFrequency"), Qt::LeftButton);
  EXPECT_EQ(newCommands(), (std::vector<std::string>{"print,/par/frq/in/status", "print,/par/frq/in/amp",
                                                     "print,/par/frq/out/frq"}));
  EXPECT_EQ(status->text(), "locked");
  EXPECT_EQ(page->findChild<QLabel*>("/par/frq/in/amp")->text(), "420");
  EXPECT_EQ(rate->text(), "250");
  if (!shotDir().empty()) {
    dlg.resize(900, 700);
    page->findChild<QTabWidget*>()->setCurrentIndex(3);
    dlg.grab().save(QString::fromStdString(shotDir() + "/config-advanced-frequency.png"));
  }
}

// The receiver's data reaches a window only on a connection with a message thread.
class ConfigDialogDataTest : public ConfigDialogTest {
 protected:
  void SetUp() override {
    conn.SetSysMsgCallback([](void*) -> std::uint32_t { return 0; });
    ConfigDialogTest::SetUp();
  }
};

TEST_F(ConfigDialogDataTest, BaseTakesTheReceiversPositionForBothSystemsAtOneTime) {
  CProfile().Write("Base", "GPSGLNAtOneTime", false);
  CReceiverCfgDlg dlg(rcv);
  dlg.tabs()->setCurrentIndex(3);
  auto* page = static_cast<CBasePage*>(dlg.page(3));
  EXPECT_TRUE(page->findChild<QRadioButton*>("separately")->isChecked());
  BasePosition::Fix fix;
  ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.lastPosition(fix); }, 10000));
  QTest::mouseClick(page->findChild<QPushButton*>("getPosition"), Qt::LeftButton);
  dlg.lastPosition(fix);
  for (const char* geo : {"/par/ref/pos/gps/geo", "/par/ref/pos/glo/geo"}) {
    auto* lat = page->findChild<QLineEdit*>(QString(geo) + "#1");
    ASSERT_TRUE(lat);
    // The position moves a little from one epoch to the next; the first digits hold.
    EXPECT_EQ(lat->text().left(8), QString::fromStdString(BasePosition::angleText(fix.lat, 'N', 'S')).left(8))
        << geo;
  }
  constexpr double kDegree = 3.14159265358979323846 / 180.0;
  EXPECT_EQ(BasePosition::angleText(-0.5 * kDegree, 'N', 'S'), "S0d30m0.00000s");
  EXPECT_EQ(BasePosition::angleText((1 - 1e-9) * kDegree, 'N', 'S'), "N1d00m0.00000s");  // no "60" seconds
  newCommands();
  ASSERT_TRUE(dlg.applyCurrent()) << dlg.statusText().toStdString();
  const std::vector<std::string> sent = newCommands();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_TRUE(sent[0].starts_with("set,/par/ref/pos/gps/geo,{W84,N")) << sent[0];

  // At one time, the GLONASS position follows what is typed for GPS.
  page->findChild<QRadioButton*>("atOneTime")->click();
  EXPECT_TRUE(CProfile().Read("Base", "GPSGLNAtOneTime", false));
  auto* gpsAlt = page->findChild<QLineEdit*>("/par/ref/pos/gps/geo#3");
  gpsAlt->selectAll();
  QTest::keyClicks(gpsAlt, "512.25");
  EXPECT_EQ(page->findChild<QLineEdit*>("/par/ref/pos/glo/geo#3")->text(), "512.25");
}

}  // namespace
