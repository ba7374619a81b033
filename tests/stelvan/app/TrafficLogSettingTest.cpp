// The Tools menu's "Traffic log": switched on it starts the log in the file the settings name
// and keeps the choice for the next start; switched off it stops; --trace names a file for one run.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <filesystem>

#include "QtSupport.h"
#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"
#include "gridlink/TrafficLog.h"
#include "shell/StartOptions.h"
#include "shell/TrafficLogSetting.h"

TEST(TrafficLogSetting, MenuEntrySwitchesTheLogAndIsKept) {
  testApp();
  ScopedConfigHome config;
  TempDir dir;
  const std::string file = (dir.path() / "logs" / "traffic.log").string();
  CConnection::getProfile().Write("TrafficLog", "File", file.c_str());
  QWidget parent;
  QMenu tools(&parent);
  TrafficLogSetting::AddMenuEntry(&tools, &parent);
  QAction* entry = parent.findChild<QAction*>("actionTrafficLog");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text(), "Traffic log");
  EXPECT_FALSE(entry->isChecked());

  entry->trigger();
  EXPECT_TRUE(Gridlink::TrafficLog::Active());
  EXPECT_EQ(Gridlink::TrafficLog::Path(), file);
  EXPECT_TRUE(std::filesystem::exists(file)) << "its folder is made";
  EXPECT_TRUE(CConnection::getProfile().Read("TrafficLog", "On", false));

  entry->trigger();
  EXPECT_FALSE(Gridlink::TrafficLog::Active());
  EXPECT_FALSE(CConnection::getProfile().Read("TrafficLog", "On", true));

  // Kept on, it starts with the program.
  CConnection::getProfile().Write("TrafficLog", "On", true);
  QString error;
  EXPECT_TRUE(TrafficLogSetting::ApplySaved(error)) << error.toStdString();
  EXPECT_TRUE(Gridlink::TrafficLog::Active());
  Gridlink::TrafficLog::Stop();
}

TEST(TrafficLogSetting, TraceOptionNamesTheFileForOneRun) {
  const char* argv[] = {"stelvan", "--trace", "/tmp/x.log", "--receiver", "COM1:115200:1"};
  const StartOptions o = StartOptions::Parse(5, argv);
  EXPECT_TRUE(o.error.empty()) << o.error;
  EXPECT_EQ(o.traceFile, "/tmp/x.log");
}
