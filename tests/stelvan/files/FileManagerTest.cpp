// The file manager against the simulator: the list with its formats, a download with its
// progress bars, and deletion.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>

#include "SimProcess.h"
#include "TempDir.h"
#include "files/CDownloadFilesDlg.h"
#include "files/CFileManager.h"
#include "files/CFirmwareLoaderDlg.h"
#include "files/CFormat.h"
#include "files/FileSettings.h"
#include "files/ReceiverFileList.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"

namespace {

std::uint32_t quietSysMsg(void*) {
  return 0;
}

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Answers the next modal question with `button` once it is up.
void answerNextQuestion(QMessageBox::StandardButton button) {
  QTimer::singleShot(0, [button] {
    for (int i = 0; i < 500; ++i) {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        box->button(button)->click();
        return;
      }
      QTest::qWait(10);
    }
  });
}

class FileManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data1 = std::string(60 * 1024, '\0');
    for (std::size_t i = 0; i < data1.size(); ++i) data1[i] = static_cast<char>(i * 7 + (i >> 8));
    std::ofstream(files.path() / "log1207a", std::ios::binary) << data1;
    std::ofstream(files.path() / "log1207b", std::ios::binary) << "short file";
    std::ofstream(files.path() / "old", std::ios::binary) << "from 1988";
    const timeval epoch1988[2] = {{567993600, 0}, {567993600, 0}};
    utimes((files.path() / "old").c_str(), epoch1988);
    // Paced at 115200 bit/s, the 60 KB file takes seconds: the bars move visibly.
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--pace", "--files", files.str()});
    ASSERT_FALSE(sim->pty().empty());
    conn.SetSysMsgCallback(quietSysMsg);
    ASSERT_EQ(conn.Open("", "tester", "", "test"), 1);
    rcv = TSelfCreator<CReceiver>::Create();
    rcv->AddRef();
    ASSERT_EQ(rcv->Open(&conn, ("COM" + sim->pty() + ":115200:1").c_str(), 0), 1) << rcv->GetReplyString();
    Files::SetOutputPath(out.str());
  }
  void TearDown() override {
    if (rcv) {
      rcv->Close(false);
      rcv->Release();
    }
    conn.Close();
    sim.reset();
  }
  QTreeWidget* list(CFileManager& fm) { return fm.findChild<QTreeWidget*>("fileList"); }
  void select(QTreeWidget* tree, const std::set<QString>& names) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
      tree->topLevelItem(i)->setSelected(names.count(tree->topLevelItem(i)->text(1)) != 0);
  }

  ScopedConfigHome config;
  TempDir files, out;
  std::string data1;
  std::unique_ptr<SimProcess> sim;
  CConnection conn;
  CReceiver* rcv = nullptr;
};

TEST_F(FileManagerTest, ListsDownloadsWithProgressAndDeletes) {
  CFileManager fm(rcv);
  fm.show();
  QTreeWidget* tree = list(fm);
  ASSERT_NE(tree, nullptr);
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  QTreeWidgetItem* old = tree->findItems("old", Qt::MatchExactly, 1).value(0);
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->text(0), "old.zrx");
  EXPECT_EQ(old->text(2), "9");
  EXPECT_EQ(old->text(3), "01.01.1988");
  EXPECT_EQ(old->text(4), "00:00:00");

  // Download two files; the bars move while the window stays live.
  auto* fileBar = fm.findChild<QProgressBar*>("fileProgress");
  auto* totalBar = fm.findChild<QProgressBar*>("totalProgress");
  std::set<int> fileValues, totalValues;
  QObject::connect(fileBar, &QProgressBar::valueChanged, [&](int v) { fileValues.insert(v); });
  QObject::connect(totalBar, &QProgressBar::valueChanged, [&](int v) { totalValues.insert(v); });
  select(tree, {"log1207a", "log1207b"});
  auto* download = fm.findChild<QPushButton*>("download");
  download->click();
  EXPECT_EQ(download->text(), "Stop");
  for (int i = 0; i < 6000 && download->text() == "Stop"; ++i) QTest::qWait(10);
  ASSERT_EQ(download->text(), "Download") << fm.StatusText().toStdString();
  EXPECT_TRUE(readFile(out.path() / "log1207a.zrx") == data1);
  EXPECT_EQ(readFile(out.path() / "log1207b.zrx"), "short file");
  EXPECT_TRUE(fileValues.count(100));
  EXPECT_TRUE(std::any_of(fileValues.begin(), fileValues.end(), [](int v) { return v > 0 && v < 100; }));
  EXPECT_TRUE(std::any_of(totalValues.begin(), totalValues.end(), [](int v) { return v > 0 && v < 100; }));
  EXPECT_TRUE(fm.StatusText().startsWith("Aborted by user!") == false);
  EXPECT_TRUE(fm.StatusText().contains("KBps")) << fm.StatusText().toStdString();

  if (const char* dir = std::getenv("STELVAN_SCREENSHOT_DIR")) {
    fm.resize(720, 460);
    select(tree, {"log1207a"});
    fm.grab().save(QString(dir) + "/files.png");
  }

  // Delete one file after the confirmation.
  select(tree, {"log1207b"});
  answerNextQuestion(QMessageBox::Yes);
  fm.findChild<QPushButton*>("delete")->click();
  EXPECT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_FALSE(std::filesystem::exists(files.path() / "log1207b"));
  EXPECT_TRUE(std::filesystem::exists(files.path() / "log1207a"));

  // Nothing chosen: the status says what to do.
  select(tree, {});
  fm.findChild<QPushButton*>("delete")->click();
  EXPECT_EQ(fm.StatusText(), "Select files to delete");
}

TEST_F(FileManagerTest, ExistingLocalFileAnsweredNoIsResumed) {
  std::ofstream(out.path() / "log1207a.zrx", std::ios::binary) << data1.substr(0, 50 * 1024);
  CFileManager fm(rcv);
  fm.show();
  select(list(fm), {"log1207a"});
  answerNextQuestion(QMessageBox::No);
  auto* download = fm.findChild<QPushButton*>("download");
  download->click();
  for (int i = 0; i < 6000 && download->text() == "Stop"; ++i) QTest::qWait(10);
  EXPECT_TRUE(readFile(out.path() / "log1207a.zrx") == data1);
  // Only the missing 10 KB came over the line.
  DOWNLOADINFO info;
  rcv->GetDownloadStatus(info);
  EXPECT_EQ(info.bytes, 10 * 1024);
}

TEST_F(FileManagerTest, OneFileDownloadsUnderOneLabelledBar) {
  CFileManager fm(rcv);
  fm.show();
  select(list(fm), {"log1207a"});
  auto* download = fm.findChild<QPushButton*>("download");
  download->click();
  ASSERT_EQ(download->text(), "Stop");
  EXPECT_TRUE(fm.findChild<QProgressBar*>("fileProgress")->isVisible());
  EXPECT_FALSE(fm.findChild<QProgressBar*>("totalProgress")->isVisible());
  EXPECT_TRUE(fm.findChild<QProgressBar*>("fileProgress")->format().startsWith("log1207a"));
  if (const char* dir = std::getenv("STELVAN_SCREENSHOT_DIR")) {
    QTest::qWait(500);
    fm.grab().save(QString(dir) + "/files-download.png");
  }
  download->click();  // stop: nothing more to see
  for (int i = 0; i < 6000 && download->text() == "Stop"; ++i) QTest::qWait(10);
  EXPECT_EQ(download->text(), "Download");
}

TEST_F(FileManagerTest, AStoppedRecordingShowsItsFileWithItsSize) {
  CFileManager fm(rcv);
  fm.show();
  fm.findChild<QTabWidget*>()->setCurrentIndex(1);
  fm.findChild<QLineEdit*>("fileName")->setText("rec1");
  auto* startStop = fm.findChild<QPushButton*>("startStop");
  startStop->click();
  ASSERT_EQ(startStop->text(), "Stop") << fm.StatusText().toStdString();
  QTest::qWait(2500);  // the receiver records a few epochs
  startStop->click();
  ASSERT_EQ(startStop->text(), "Start");
  QTreeWidgetItem* rec = list(fm)->findItems("rec1", Qt::MatchExactly, 1).value(0);
  ASSERT_NE(rec, nullptr);
  EXPECT_GT(rec->text(2).toLongLong(), 0) << "listed with size " << rec->text(2).toStdString();
  EXPECT_EQ(rec->text(2).toLongLong(), static_cast<long long>(std::filesystem::file_size(files.path() / "rec1")));
}

TEST_F(FileManagerTest, FirmwareLoaderUploadsTheChosenFile) {
  TempDir folder;
  std::string firmware(5000, '\0');
  for (std::size_t i = 0; i < firmware.size(); ++i) firmware[i] = static_cast<char>(i * 13);
  std::ofstream(folder.path() / "fw.ldp", std::ios::binary) << firmware;
  CFirmwareLoaderDlg dlg(rcv);
  dlg.show();
  dlg.SelectFile(QString::fromStdString(folder.str()), "fw.ldp");
  dlg.findChild<QPushButton*>("upload")->click();
  EXPECT_TRUE(dlg.Busy());
  EXPECT_EQ(dlg.findChild<QPushButton*>("update")->text(), "Stop");
  for (int i = 0; i < 3000 && dlg.Busy(); ++i) QTest::qWait(10);
  EXPECT_EQ(dlg.StatusText(), "RE:Complete Downloading.");
  EXPECT_TRUE(readFile(files.path() / "fw.ldp") == firmware);
  EXPECT_EQ(Files::FirmwarePath(), folder.str());
  EXPECT_EQ(dlg.findChild<QPushButton*>("update")->text(), "Firm.Update");
  if (const char* dir = std::getenv("STELVAN_SCREENSHOT_DIR"))
    dlg.grab().save(QString(dir) + "/firmware.png");
}

TEST_F(FileManagerTest, FileSystemDialogFollowsTheInitialisationAndReports) {
  CFormat dlg(rcv);
  dlg.show();
  dlg.Start();
  for (int i = 0; i < 3000 && dlg.StatusText() != "Ready!"; ++i) QTest::qWait(10);
  ASSERT_EQ(dlg.StatusText(), "Ready!");
  const QString report = dlg.Report();
  EXPECT_TRUE(report.startsWith("------- File System Information -------")) << report.toStdString();
  EXPECT_TRUE(report.contains("Version:\t\t\t2.3")) << report.toStdString();
  EXPECT_TRUE(report.contains("Reading number:")) << report.toStdString();
  EXPECT_EQ(dlg.findChild<QLabel*>("progressText")->text().section(" of ", 0, 0),
            dlg.findChild<QLabel*>("progressText")->text().section(" of ", 1, 1));
  if (const char* dir = std::getenv("STELVAN_SCREENSHOT_DIR"))
    dlg.grab().save(QString(dir) + "/filesystem.png");
}

}  // namespace

// The application lives in main's frame, so that it ends before the libraries' own clean-up.
int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
