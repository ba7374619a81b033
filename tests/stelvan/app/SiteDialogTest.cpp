// The site and target dialogs driven through their controls.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "QtSupport.h"
#include "TempDir.h"
#include "gridlink/CProfile.h"
#include "site/CSiteDialog.h"
#include "site/CTargetDialog.h"

namespace {

TEST(SiteDialog, RejectsBlankNameAndStoresValidValues) {
  ScopedConfigHome config;
  testApp();
  SiteSettings site;
  site.antennaType = SiteRules::AntennaTypes()[3];
  CSiteDialog dlg(site, nullptr);
  EXPECT_FALSE(dlg.findChild<QPushButton*>("sendToReceiver")->isEnabled());
  EXPECT_EQ(dlg.findChild<QComboBox*>("antennaType")->currentIndex(), 3);
  dlg.findChild<QLineEdit*>("siteName")->setText("   ");
  dlg.findChild<QPushButton*>("ok")->click();
  EXPECT_EQ(dlg.statusText(), "Incorrect Site Name value");
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(site.name, "Site");

  dlg.findChild<QLineEdit*>("siteName")->setText(" Roof ");
  dlg.findChild<QLineEdit*>("antennaHeight")->setText("1.5m");
  dlg.findChild<QPushButton*>("ok")->click();
  EXPECT_EQ(dlg.statusText(), "Incorrect Antenna Height value");

  dlg.findChild<QLineEdit*>("antennaHeight")->setText("1.5");
  dlg.findChild<QCheckBox*>("slant")->setChecked(true);
  dlg.findChild<QComboBox*>("antennaStatus")->setCurrentIndex(1);
  dlg.findChild<QPushButton*>("ok")->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(site.name, "Roof");
  EXPECT_TRUE(site.slant);
  CProfile* p = CProfile::Instance();
  EXPECT_STREQ(p->Read("Site", "AntenaHeight", "?"), "1.5");
  EXPECT_EQ(p->Read("Site", "Status", -1), 1);
  EXPECT_EQ(p->Read("Site", "HeightType", -1), 1);
  EXPECT_STREQ(p->Read("Site", "AntennaType", "?"), SiteRules::AntennaTypes()[3].c_str());
  p->Release();
}

TEST(TargetDialog, ShowsAndReadsDegreesMinutesSeconds) {
  testApp();
  CTargetDialog dlg(-0.79412481, 0.1, false);
  EXPECT_FALSE(dlg.findChild<QPushButton*>("getFromReceiver")->isEnabled());
  EXPECT_EQ(dlg.findChild<QLineEdit*>("latDegrees")->text(), "45");
  EXPECT_EQ(dlg.findChild<QComboBox*>("latHemisphere")->currentText(), "S");
  dlg.findChild<QLineEdit*>("latDegrees")->setText("90");
  dlg.findChild<QLineEdit*>("latMinutes")->setText("0");
  dlg.findChild<QLineEdit*>("latSeconds")->setText("x");  // not a number reads as 0
  dlg.findChild<QComboBox*>("lonHemisphere")->setCurrentIndex(1);
  dlg.findChild<QPushButton*>("ok")->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_DOUBLE_EQ(dlg.lat(), 0.0);
  EXPECT_NEAR(dlg.lon(), -0.1, 1e-7);
}

TEST(TargetDialog, GetFromReceiverAsksTheOwner) {
  testApp();
  CTargetDialog dlg(0, 0, true);
  QObject::connect(&dlg, &CTargetDialog::positionWanted, &dlg, [&dlg] { dlg.setPosition(0.5, -0.25); });
  dlg.findChild<QPushButton*>("getFromReceiver")->click();
  EXPECT_EQ(dlg.findChild<QLineEdit*>("latDegrees")->text(), "28");
  EXPECT_EQ(dlg.findChild<QComboBox*>("lonHemisphere")->currentText(), "W");
}

}  // namespace
