// The messages window as a user works it, against a running gridserver: recipients, the list,
// reading inline and into a file, sending a text and a file, deleting, the refusals shown in
// the status line, and the texts of the window itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "ServerProcess.h"
#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "messages/CMessage.h"
#include "messages/MessageText.h"

// Fontconfig keeps a cache for the life of the process, which LeakSanitizer reports once
// fonts are used; the suppression names the library, never our code.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}

namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "stelvan-test";
  static char* argv[] = {name, nullptr};
  static QApplication* a = new QApplication(argc, argv);
  return *a;
}

bool keepGoing(std::uint32_t, std::uint32_t, std::uint32_t) {
  return true;
}

class MessageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    const std::string users = ServerProcess::writeUsers(dir.str(), "alice pw-a\nbob pw-b\n");
    server = std::make_unique<ServerProcess>(
        std::vector<std::string>{"--listen", "127.0.0.1:0", "--users", users, "--store", dir.str() + "/store",
                                 "--receiver", "COM/dev/null/none:115200:1"});
    ASSERT_NE(server->port(), 0u) << server->log();
    for (auto [conn, user, password] :
         {std::tuple{&alice, "alice", "pw-a"}, std::tuple{&bob, "bob", "pw-b"}}) {
      conn->SetTimeout(20);
      ASSERT_EQ(conn->Open(server->address().c_str(), user, password, "test"), 1) << conn->GetReplyString();
    }
  }
  void TearDown() override {
    delete window.data();
    alice.Close();
    bob.Close();
  }
  CMessage* open(CConnection& conn) {
    window = new CMessage(&conn);
    window->show();
    return window;
  }
  template <class T>
  T* child(const char* name) {
    T* w = window->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void click(const char* button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
  QTreeWidget* list() { return child<QTreeWidget>("list"); }
  void select(int row) {
    list()->clearSelection();
    list()->topLevelItem(row)->setSelected(true);
  }

  ScopedConfigHome config;
  TempDir dir;
  std::unique_ptr<ServerProcess> server;
  CConnection alice, bob;
  QPointer<CMessage> window;
};

TEST(MessageText, RecipientsAndFetchedText) {
  EXPECT_EQ(Messages::recipients("RE:ann/e\nben/x\ncid/e\n"), (std::vector<std::string>{"ann", "cid"}));
  const auto f = Messages::fetchedText("RE:OK. Plans for the week ahead");
  EXPECT_EQ(f.subject, "Plans");  // a subject of several words keeps its first one
  EXPECT_EQ(f.text, "for the week ahead");
  EXPECT_EQ(Messages::percentDone(50, 100), 49);
}

TEST_F(MessageWindowTest, ReadsSendsAndDeletes) {
  ASSERT_EQ(alice.SetMsg("bob", "Lunch", "at noon\nby the river"), 1);
  std::string big(3000, 'b');
  big[7] = '\0';
  const std::string bigPath = dir.str() + "/big.bin";
  std::ofstream(bigPath, std::ios::binary) << big;
  ASSERT_EQ(alice.SetMsg("bob", "Log", bigPath.c_str(), keepGoing, 0), 1);

  open(bob);
  EXPECT_EQ(window->windowTitle(), "Message");
  auto* to = child<QComboBox>("toUser");
  ASSERT_EQ(to->count(), 2);
  EXPECT_EQ(to->currentText(), "alice");
  ASSERT_EQ(list()->topLevelItemCount(), 2);
  EXPECT_EQ(list()->headerItem()->text(3), "From User");
  EXPECT_EQ(list()->topLevelItem(0)->text(3), "alice");
  EXPECT_EQ(list()->topLevelItem(1)->text(2), "3000");

  click("get");
  EXPECT_EQ(window->statusText(), "Select message to read");
  select(0);
  click("get");
  EXPECT_EQ(child<QLineEdit>("subject")->text(), "Lunch");
  EXPECT_EQ(child<QPlainTextEdit>("message")->toPlainText(), "at noon\nby the river");

  TempDir inbox;
  child<QLineEdit>("pathFile")->setText(QString::fromStdString(inbox.str()));
  select(1);
  click("get");
  const std::string saved = inbox.str() + "/" + list()->topLevelItem(1)->text(0).toStdString();
  std::ifstream in(saved, std::ios::binary);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == big) << saved;

  // Replies: a text, then a file; refusals and empty fields in the status line.
  child<QLineEdit>("pathFile")->clear();
  child<QLineEdit>("subject")->clear();
  click("send");
  EXPECT_EQ(window->statusText(), "Is void field!");
  child<QLineEdit>("subject")->setText("Re");
  child<QPlainTextEdit>("message")->setPlainText("see you there");
  click("send");
  child<QLineEdit>("pathFile")->setText(QString::fromStdString(bigPath));
  click("send");
  EXPECT_EQ(window->statusText(), "RE:OK.");
  EXPECT_EQ(child<QPushButton>("cancel")->text(), "Cancel");
  int count = 0;
  REMOTE_MSG* got = alice.GetMsgList(count);
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(got[0].subject, "Re");
  EXPECT_STREQ(got[1].size, "3000");
  delete[] got;

  QApplication::processEvents();
  // "./dev screenshot" sets STELVAN_SCREENSHOT_DIR to collect the picture.
  const char* shots = std::getenv("STELVAN_SCREENSHOT_DIR");
  const QImage picture = window->grab().toImage();
  EXPECT_GT(picture.width(), 300);
  if (shots && *shots) {
    EXPECT_TRUE(picture.save(QString::fromLocal8Bit(shots) + "/messages.png"));
  }

  select(0);
  list()->topLevelItem(1)->setSelected(true);
  click("delete");
  EXPECT_EQ(list()->topLevelItemCount(), 0);
  EXPECT_EQ(bob.GetMsgList(count), nullptr);
  click("delete");
  EXPECT_EQ(window->statusText(), "Select message to delete");

  window->newMessageNotice();
  EXPECT_EQ(window->statusText(), "You have new message!!!");
  click("cancel");
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(window.isNull());  // closing deletes it
}

}  // namespace
