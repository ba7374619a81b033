// Plain rules of the window program: the answer table, the site and target rules, the command
// line, "MainSize", the satellite clock and the title.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <ctime>

#include "query/CAnswerTable.h"
#include "shell/CMainFrame.h"
#include "session/ReceiverSession.h"
#include "shell/SatelliteClock.h"
#include "shell/StartOptions.h"
#include "site/SiteSettings.h"

namespace {

TEST(AnswerTable, RefusedLineLeavesOnlyItsAnswerEmpty) {
  CAnswerTable t;
  t.fill("@scr stoperrors off\nprint,/a\nprint,/b\nprint,/c\n@end\n",
         "RE004 one\nER011{12,bad path}\nRE005  three \n");
  EXPECT_EQ(t.answer(0).value_or("-"), "one");
  EXPECT_FALSE(t.answer(1).has_value());
  EXPECT_EQ(t.answer(2).value_or("-"), "three");  // leading and trailing blanks trimmed
  EXPECT_EQ(t.errorCount(), 1);
  EXPECT_EQ(t.lineCount(), 5);
}

TEST(AnswerTable, LastLineWithoutLineFeedIsLostAndBoundIsKept) {
  CAnswerTable t;
  t.fill("@scr\nprint,/a\nprint,/b\n", "RE002ab\nRE002cd");
  EXPECT_EQ(t.answer(0).value_or("-"), "ab");
  EXPECT_FALSE(t.answer(1).has_value());
  std::string many;
  for (int i = 0; i < 70; ++i) many += "RE003x" + std::to_string(i % 10) + "\n";
  t.fill("@scr\n", many);
  EXPECT_TRUE(t.answer(63).has_value());
  EXPECT_FALSE(t.answer(64).has_value());
}

TEST(SiteRules, ValidationAndEvents) {
  SiteSettings s;
  EXPECT_EQ(SiteRules::Validate("   ", "1.5", s).error, "Incorrect Site Name value");
  EXPECT_EQ(SiteRules::Validate("Hill", "1.5m", s).error, "Incorrect Antenna Height value");
  EXPECT_EQ(SiteRules::Validate("Hill", " ", s).error, "Incorrect Antenna Height value");
  ASSERT_EQ(SiteRules::Validate(" Hill ", " 1.5 ", s).error, "");
  EXPECT_EQ(s.name, "Hill");
  s.slant = true;
  s.status = 1;
  EXPECT_EQ(SiteRules::SiteEventScript(s),
            "@scr stoperrors\n%%event,\"_SIT=Hill\"\n%%event,\"_ANH=1.5S\"\n%%event,\"_DYM=DYNAMIC\"\n"
            "%%event,\"_ANT=UNKNOWN\"\n@end\n");
  EXPECT_EQ(SiteRules::AntennaTypes().size(), 24u);
  EXPECT_EQ(SiteRules::AntennaTypes()[0], "UNKNOWN");
}

TEST(SiteRules, TargetConversions) {
  EXPECT_DOUBLE_EQ(SiteRules::ToRadians(90, 0, 0, false, 90), 0.0);
  EXPECT_NEAR(SiteRules::ToRadians(45, 30, 0, true, 90), -0.79412481, 1e-8);
  const SiteRules::DmsText d = SiteRules::FromRadians(-0.79412481);
  EXPECT_EQ(d.degrees, 45);
  EXPECT_EQ(d.minutes, 30);
  EXPECT_EQ(d.seconds, "0.00007");
  EXPECT_TRUE(d.negative);
}

TEST(StartOptions, ReceiverAndServer) {
  const char* local[] = {"stelvan", "--receiver", "COM/dev/pts/4:115200:1"};
  CONNECTION_INFO info;
  ASSERT_TRUE(StartOptions::Parse(3, local).ConnectionInfo(info));
  EXPECT_EQ(info.server, "LServer");
  ASSERT_EQ(info.receivers.size(), 1u);
  EXPECT_EQ(info.receivers[0], "COM/dev/pts/4:115200:1");
  EXPECT_FALSE(info.manualModeOnly);
  const char* remote[] = {"stelvan",    "--server", "h:9000",     "--user", "u",
                          "--password", "p",        "--receiver", "R"};
  ASSERT_TRUE(StartOptions::Parse(9, remote).ConnectionInfo(info));
  EXPECT_EQ(info.server, "h:9000");
  EXPECT_EQ(info.user, "u");
  EXPECT_EQ(info.password, "p");
  const char* bad[] = {"stelvan", "--server", "h"};
  EXPECT_FALSE(StartOptions::Parse(3, bad).error.empty());
  const char* dangling[] = {"stelvan", "--receiver"};
  EXPECT_FALSE(StartOptions::Parse(2, dangling).error.empty());
  const char* none[] = {"stelvan"};
  EXPECT_FALSE(StartOptions::Parse(1, none).ConnectionInfo(info));
}

TEST(MainSize, ClampedToTheScreen) {
  const QRect screen(0, 0, 1024, 768);
  QRect r;
  ASSERT_TRUE(CMainFrame::ParseMainSize("-0020 0100 0300 0500", screen, r));
  EXPECT_EQ(r.left(), 4);
  ASSERT_TRUE(CMainFrame::ParseMainSize("0900 0600 1100 0900", screen, r));
  EXPECT_EQ(r.left(), 1024 - 312);
  EXPECT_EQ(r.right() + 1, 1020);
  EXPECT_EQ(r.bottom() + 1, 764);
  EXPECT_EQ(r.height(), 300);
  EXPECT_FALSE(CMainFrame::ParseMainSize("", screen, r));
  const QRect centred = CMainFrame::CenterRect(QRect(0, 0, 200, 100), QRect(-300, 0, 100, 100), screen);
  EXPECT_EQ(centred.left(), 4);
  EXPECT_EQ(centred.width(), 200);
}

TEST(SatelliteClock, ParsesAllSevenFieldsOrNothing) {
  SatelliteClock::Utc u;
  ASSERT_TRUE(SatelliteClock::Parse("RE019{2026-12-08,07:05:09.250}\n", u));
  EXPECT_EQ(u.year, 2026);
  EXPECT_EQ(u.second, 9);
  EXPECT_EQ(u.millisecond, 250);
  EXPECT_FALSE(SatelliteClock::Parse("RE019{2026-12-08,07:05:09}", u));
  EXPECT_FALSE(SatelliteClock::Parse("ER00", u));
}

// Runs in a child that gave up every capability, so the refusal is seen even as root.
TEST(SatelliteClock, RefusalChangesNothingAndSaysWhy) {
  int pipeFd[2];
  ASSERT_EQ(pipe(pipeFd), 0);
  const time_t before = time(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2] = {};
    std::string error = syscall(SYS_capset, &header, none) == 0 ? "" : "capset failed";
    SatelliteClock::Utc u;
    if (error.empty() && SatelliteClock::Parse("RE019{2001-01-01,00:00:00.000}", u) &&
        SatelliteClock::SetSystemClock(u, error))
      error = "clock was set";
    (void)!write(pipeFd[1], error.data(), error.size());
    _exit(0);
  }
  close(pipeFd[1]);
  char buf[256] = {};
  const ssize_t n = read(pipeFd[0], buf, sizeof buf - 1);
  close(pipeFd[0]);
  waitpid(child, nullptr, 0);
  ASSERT_GT(n, 0);
  EXPECT_NE(std::string(buf).find("The computer's clock was not set: "), std::string::npos) << buf;
  EXPECT_GE(time(nullptr), before);
}

TEST(Title, ConnectedAndIdle) {
  EXPECT_EQ(session::ReceiverSession::ConnectedTitle(" NH-RCV-100 ", "COM1:", true, true),
            "Stelvan-P to NH-RCV-100:COM1(base)(rover)");
  EXPECT_EQ(session::ReceiverSession::ConnectedTitle("M", "COM/dev/pts/3:115200:1", false, false),
            "Stelvan-P to M:COM/dev/pts/3");
  EXPECT_EQ(session::ReceiverSession::IdleTitle(), "Stelvan-P(idle)");
}

}  // namespace
