// Manual mode offscreen against the simulator.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "AppFixture.h"
#include "ScriptHarness.h"
#include "gridlink/CProfile.h"
#include "manual/CManualMode.h"
#include "manual/ReplyLines.h"

namespace {

// The receiver's raw output may land between the lines; the lines themselves stay whole and
// in order.
bool showsInOrder(const QString& text, const QStringList& lines) {
  qsizetype at = 0;
  for (const QString& line : lines) {
    at = text.indexOf(line, at);
    if (at < 0) return false;
    at += line.size();
  }
  return true;
}

class ManualModeTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    CProfile().Write("ManualMode", "PathScript", scripts.str().c_str());
  }
  TempDir scripts;
};

TEST_F(ManualModeTest, TypedCommandsScriptsAndHistory) {
  writeFile(scripts, "elm.zrx", "@echo set to @1\r\nset,/par/pos/elm,@1\r\n%e%print,/par/pos/elm\r\n");
  {
    CManualMode dlg(rcv);
    dlg.sendCommand("print,/par/rcv/model");
    dlg.sendCommand("  set,/par/pos/elm,7 ");
    // Typed commands go out raw; their replies come back as the receiver's output.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.repliesText().startsWith("RE00ANH-RCV-100"); }, 5000));
    std::string elm;
    EXPECT_TRUE(QTest::qWaitFor([&] { return sim->paramValue("/par/pos/elm", elm) && elm == "7"; }, 5000))
        << elm;

    dlg.sendCommand("@elm 12");
    EXPECT_TRUE(showsInOrder(dlg.repliesText(), {"> set to 12\n", ">set,/par/pos/elm,12\n", "RE000\n",
                                                 ">%e%print,/par/pos/elm\n", "RE005%e%12"}))
        << dlg.repliesText().toStdString();
    dlg.sendCommand("@missing");
    EXPECT_EQ(dlg.statusText(), "Unable to open missing.zrx");
    QTest::mouseClick(dlg.findChild<QPushButton*>("exit"), Qt::LeftButton);
  }
  CProfile profile;
  EXPECT_STREQ(profile.Read("ManualMode", "Command0", ""), "@missing");
  EXPECT_STREQ(profile.Read("ManualMode", "Command3", ""), "print,/par/rcv/model");
  EXPECT_EQ(newCommands().back(), "dm");  // Exit silences the receiver

  CManualMode again(rcv);
  again.sendCommand("print,/par/rcv/model");  // already in the history: moves to the top
  QTest::mouseClick(again.findChild<QPushButton*>("exit"), Qt::LeftButton);
  EXPECT_STREQ(CProfile().Read("ManualMode", "Command0", ""), "print,/par/rcv/model");
  EXPECT_STREQ(CProfile().Read("ManualMode", "Command4", ""), "");
}

TEST_F(ManualModeTest, ReceiverOutputReachesTheWindowAndTheLog) {
  CManualMode dlg(rcv);
  TempDir dir;
  const QString log = QString::fromStdString((dir.path() / "traffic.log").string());
  ASSERT_TRUE(dlg.startLog(log));
  dlg.sendCommand("em,,nmea/GGA:0.2");
  EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.repliesText().contains("$GPGGA"); }, 10000))
      << dlg.repliesText().toStdString();
  dlg.sendCommand("dm");
  dlg.stopLog();
  QFile f(log);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray logged = f.readAll();
  EXPECT_TRUE(logged.contains("$GPGGA"));
  EXPECT_FALSE(logged.contains(">"));  // echoed lines stay out of the log
}

TEST_F(ManualModeTest, EachTypedCommandsReplyStandsOnItsOwnLine) {
  CManualMode dlg(rcv);
  dlg.sendCommand("print,/par/rcv/model");
  dlg.sendCommand("print,/par/pos/elm");
  dlg.sendCommand("print,/par/raw/msint");
  ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.repliesText().contains("RE003100"); }, 5000))
      << dlg.repliesText().toStdString();
  EXPECT_EQ(dlg.repliesText(), "RE00ANH-RCV-100\nRE0015\nRE003100") << dlg.repliesText().toStdString();
}

// Replies due after typed commands, cut and mixed with other output as a link may deliver them.
TEST(ReplyLinesTest, RepliesAreSetApartWhereverTheOutputIsCut) {
  ReplyLines lines;
  lines.expectReply();
  lines.expectReply();
  std::string shown = lines.separate("$GPGGA,1*00 RE0", true);
  shown += lines.separate("0AABCDEFGHIJRE00", true);  // the window's line holds the GGA
  shown += lines.separate("3xyz\r\nafter", true);
  EXPECT_EQ(shown, "$GPGGA,1*00 \nRE00AABCDEFGHIJ\nRE003xyz\r\nafter");
  // A reply that goes on in a second frame stays on one line; nothing due, nothing moves.
  lines.expectReply();
  EXPECT_EQ(lines.separate("RE003{a,RE002b}tail", true), "\nRE003{a,RE002b}\ntail");
  EXPECT_EQ(lines.separate("RE002ok", false), "RE002ok");
  lines.expectReply();
  lines.replyTaken();  // it came back as the command's own reply
  EXPECT_EQ(lines.separate("xRE002ok", false), "xRE002ok");
}

TEST_F(ManualModeTest, TheEditorReadsUtf16ScriptsAndSavesThem) {
  const std::string utf16(
      "\xFF\xFE"
      "@\0e\0c\0h\0o\0 \0\xE9\0",
      16);
  writeFile(scripts, "u.zrx", utf16);
  CManualMode dlg(rcv);
  ASSERT_TRUE(dlg.editScript(QString::fromStdString((scripts.path() / "u.zrx").string())));
  EXPECT_EQ(dlg.repliesText(), QString::fromUtf8("@echo \xC3\xA9\n"));
  EXPECT_EQ(dlg.findChild<QPushButton*>("exit")->text(), "Close");
  EXPECT_TRUE(dlg.saveScript());
  dlg.closeEditor();
  EXPECT_EQ(dlg.findChild<QPushButton*>("edit")->text(), "Edit script");
  if (!shotDir().empty()) {
    writeFile(scripts, "demo.zrx",
              "@echo Receiver identity\r\nprint,/par/rcv/model\r\nprint,/par/rcvid\r\n"
              "@echo Elevation mask\r\nset,/par/pos/elm,10\r\nprint,/par/pos/elm\r\n@echo Done!\r\n");
    dlg.resize(520, 420);
    dlg.sendCommand("@demo");
    dlg.grab().save(QString::fromStdString(shotDir() + "/manual.png"));
  }
}

}  // namespace
