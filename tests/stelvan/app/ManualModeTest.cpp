// Manual mode offscreen against the simulator.
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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
    writeFile(scripts, "caller.zrx", "@call missing\r\n");
    dlg.sendCommand("@caller");
    EXPECT_EQ(dlg.statusText(), "Unable to open missing.zrx") << "the caller's end hid why it stopped";
    QTest::mouseClick(dlg.findChild<QPushButton*>("exit"), Qt::LeftButton);
  }
  CProfile profile;
  EXPECT_STREQ(profile.Read("ManualMode", "Command0", ""), "@caller");
  EXPECT_STREQ(profile.Read("ManualMode", "Command4", ""), "print,/par/rcv/model");
  EXPECT_EQ(newCommands().back(), "dm");  // Exit silences the receiver

  CManualMode again(rcv);
  again.sendCommand("print,/par/rcv/model");  // already in the history: moves to the top
  QTest::mouseClick(again.findChild<QPushButton*>("exit"), Qt::LeftButton);
  EXPECT_STREQ(CProfile().Read("ManualMode", "Command0", ""), "print,/par/rcv/model");
  EXPECT_STREQ(CProfile().Read("ManualMode", "Command5", ""), "");
}

// Escape and the close box leave as Exit does: a running script stops before the window goes,
// the history is written and the receiver is silenced.
TEST_F(ManualModeTest, EscapeAndTheCloseBoxLeaveThroughTheExitDoor) {
  std::string loop;
  for (int i = 0; i < 40; ++i) loop += "print,/par/rcv/model\r\n@sleep 100\r\n";
  writeFile(scripts, "loop.zrx", loop);
  {
    CManualMode dlg(rcv);
    dlg.show();
    QTimer::singleShot(600, &dlg, [&dlg] { QTest::keyClick(&dlg, Qt::Key_Escape); });
    dlg.sendCommand("@loop");  // returns once the script has stopped
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.isVisible(); }, 5000)) << "Escape left the window open";
    const std::vector<std::string> sent = newCommands();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "dm");
    EXPECT_LT(std::count(sent.begin(), sent.end(), "print,/par/rcv/model"), 40) << "the script ran to its end";
    QTest::qWait(400);
    EXPECT_EQ(newCommands(), std::vector<std::string>{}) << "the script went on after the window";
  }
  EXPECT_STREQ(CProfile().Read("ManualMode", "Command0", ""), "@loop");

  CManualMode dlg(rcv);
  dlg.show();
  dlg.sendCommand("print,/par/pos/elm");
  ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.repliesText().contains("RE0015"); }, 5000));
  newCommands();
  EXPECT_TRUE(dlg.close());
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(newCommands(), std::vector<std::string>{"dm"});
  EXPECT_STREQ(CProfile().Read("ManualMode", "Command0", ""), "print,/par/pos/elm");
}

// Escape in the editor is its "Close": unsaved edits are not thrown away without the question.
TEST_F(ManualModeTest, EscapeInTheEditorAsksBeforeDiscardingEdits) {
  writeFile(scripts, "e.zrx", "print,/par/rcv/model\r\n");
  CManualMode dlg(rcv);
  dlg.show();
  ASSERT_TRUE(dlg.editScript(QString::fromStdString((scripts.path() / "e.zrx").string())));
  auto* replies = dlg.findChild<QPlainTextEdit*>("replies");
  replies->appendPlainText("dm");
  QStringList asked;
  const auto answer = [&asked](QMessageBox::StandardButton button) {
    QTimer::singleShot(100, [&asked, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      asked << box->text();
      box->button(button)->click();
    });
  };
  answer(QMessageBox::No);
  QTest::keyClick(&dlg, Qt::Key_Escape);
  EXPECT_EQ(asked, QStringList{"Close the editor and discard changes?"});
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.findChild<QPushButton*>("exit")->text(), "Close") << "the editor closed on No";
  answer(QMessageBox::Yes);
  QTest::keyClick(&dlg, Qt::Key_Escape);
  EXPECT_EQ(asked.size(), 2);
  EXPECT_TRUE(dlg.isVisible()) << "Escape in the editor closes the editor, not manual mode";
  EXPECT_EQ(dlg.findChild<QPushButton*>("exit")->text(), "Exit");
  EXPECT_EQ(dlg.repliesText(), "");
}

TEST_F(ManualModeTest, TheLogHoldsOneLinePerReply) {
  CManualMode dlg(rcv);
  TempDir dir;
  const QString log = QString::fromStdString((dir.path() / "replies.log").string());
  ASSERT_TRUE(dlg.startLog(log));
  dlg.sendCommand("print,/par/rcv/model");
  dlg.sendCommand("print,/par/pos/elm");
  dlg.sendCommand("print,/par/raw/msint");
  ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.repliesText().contains("RE003100"); }, 5000));
  dlg.stopLog();
  QFile f(log);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("RE00ANH-RCV-100\r\nRE0015\r\nRE003100"));
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
