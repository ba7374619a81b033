// The real-time logging dialog on a live simulated receiver: message lists read, files
// written while it runs, the last one closed and renamed at Stop; and its pure rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <cstdlib>

#include "PipedProcess.h"
#include "QtTestApp.h"
#include "TempDir.h"
#include "TestPaths.h"
#include "gridlink/CProfile.h"
#include "logging/CRealTimeLogging.h"
#include "logging/MessageCatalogue.h"
#include "logging/RtlPages.h"
#include "rcvsim/Simulator.h"

namespace {

TEST(MessageCatalogue, ListsChoicesSetsAndStatusTexts) {
  EXPECT_EQ(logging::MessageCatalogue::parseList("{1,3,031,1004}", true),
            (std::vector<std::string>{"1", "3", "1004"}));
  logging::MessageCatalogue c;
  c.loadDescriptions("zrx\nPG Geodetic position\nRT=Receiver time\nnmea\nGGA Fix\n");
  c.setNames(0, {"RT", "PG", "EE"}, ",PG,RT,");
  EXPECT_TRUE(c.entries(0)[0].chosen);
  EXPECT_FALSE(c.entries(0)[2].chosen);
  EXPECT_EQ(c.entries(0)[1].description, "Geodetic position");
  EXPECT_EQ(c.entries(0)[0].description, "Receiver time");
  EXPECT_EQ(c.messageSet(0, false, "0.50"), "RT:0.50,PG:0.50");
  EXPECT_EQ(c.messageSet(0, true, "1.00"), "def:1.00");
  EXPECT_EQ(logging::MessageCatalogue::storeChosen(c.entries(0)), ",RT,PG,");
  c.setNames(2, {"GGA", "RMC"}, "ALL");
  EXPECT_TRUE(c.entries(2)[1].chosen);
  EXPECT_EQ(logging::statusText(std::string(41, 'x')), std::string(37, 'x') + "...");
  EXPECT_EQ(logging::statusText(std::string(40, 'x')), std::string(40, 'x'));
  EXPECT_EQ(logging::CRealTimeLogging::modelConnection("COM/dev/pts/4:115200:1"), "/dev/pts/4:115200");
  EXPECT_EQ(logging::CRealTimeLogging::modelConnection("COM3:9600:0"), "COM3:9600");
  EXPECT_EQ(logging::CRealTimeLogging::modelConnection("GSM/dev/ttyUSB1:0041791234567:1234:19200"),
            "GSM/dev/ttyUSB1:0041791234567:1234:19200");
  EXPECT_EQ(logging::CRealTimeLogging::modelConnection("WIFI:rover.local:8002:secret"),
            "WIFI:rover.local:8002:secret");
}

TEST(Convert2Rinex, RefusesWhenBothSystemsAreExcluded) {
  QtTestApp();
  ScopedConfigHome config;
  logging::CConvert2RINEX dlg;
  dlg.noGps->setChecked(true);
  EXPECT_TRUE(dlg.check().isEmpty());
  dlg.noGlo->setChecked(true);
  EXPECT_EQ(dlg.check(), "At least one satellite system must be enabled!");
}

TEST(RealTimeLogging, TheOutputPathTreeOpensAtTheFolderAndFollowsTheKeyboard) {
  QtTestApp();
  TempDir base;
  QDir(QString::fromStdString(base.str())).mkpath("a/inner");
  QDir(QString::fromStdString(base.str())).mkpath("b");
  const QString a = QString::fromStdString(base.str()) + "/a", b = QString::fromStdString(base.str()) + "/b";
  logging::COutputPathRTL page;
  QStringList chosen;
  QObject::connect(&page, &logging::COutputPathRTL::pathChosen, [&](const QString& p) { chosen << p; });
  page.resize(400, 300);
  page.show();
  page.setPath(a);
  EXPECT_EQ(page.currentPath(), a);
  EXPECT_TRUE(page.tree()->isExpanded(page.tree()->currentIndex().parent()));
  EXPECT_TRUE(chosen.isEmpty());  // opening at a folder chooses nothing
  // The folder's siblings arrive from the file system in the background.
  ASSERT_TRUE(QTest::qWaitFor([&] { return page.tree()->model()->rowCount(page.tree()->currentIndex().parent()) >= 2; },
                              10000));
  page.tree()->setFocus();
  QTest::keyClick(page.tree(), Qt::Key_Down);
  EXPECT_EQ(page.currentPath(), b);
  EXPECT_EQ(chosen, QStringList{b});
}

TEST(RealTimeLogging, StartWritesFilesAndStopClosesTheLast) {
  QtTestApp();
  ScopedConfigHome config;
  TempDir out;
  PipedProcess sim;
  ASSERT_TRUE(sim.start(TestPaths::binDir() + "/rcvsim", {"--pty", "--seed", "3"}));
  QString pty;
  for (std::string l; pty.isEmpty() && sim.readLine(l, 5000);)
    if (l.rfind("pty ", 0) == 0) pty = QString::fromStdString(l.substr(4));
  ASSERT_FALSE(pty.isEmpty());
  // Every closed file goes to the converter, whose header names the receiver.
  CProfile().Write("ZRX2RIN", "Application", "true");
  {
    logging::CRealTimeLogging dlg("COM" + pty + ":115200:1");
    dlg.resize(560, 480);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "RTL to : COM" + pty + ":115200:1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.startButton()->isEnabled(); }, 20000))
        << dlg.status().toStdString();
    EXPECT_GT(dlg.findChild<QTreeWidget*>("msgList")->topLevelItemCount(), 10);
    dlg.setOutputPath(QString::fromStdString(out.str()));
    dlg.findChild<QCheckBox*>("autoconvert")->setChecked(true);
    // 50 ms is finer than the receiver's current 100 ms update rate: warned, not started.
    auto* interval = dlg.findChild<QLineEdit*>("recInterval");
    const QString chosen = interval->text();
    interval->setText("0.05");
    QString warning;
    QTimer::singleShot(0, [&] {
      for (int i = 0; i < 500 && warning.isEmpty(); ++i) {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          warning = box->windowTitle() + "|" + box->text();
          box->accept();
          return;
        }
        QTest::qWait(10);
      }
    });
    dlg.startButton()->click();
    EXPECT_TRUE(warning.startsWith("Output Period|Warning! The requested value of Output Period")) << warning.toStdString();
    EXPECT_EQ(dlg.status(), "Invalid recording interval");
    EXPECT_FALSE(dlg.running());
    interval->setText(chosen);
    dlg.startButton()->click();
    EXPECT_TRUE(dlg.running());
    // The first file opens at the first epoch the receiver stamps, which a slow build may take
    // a while to reach; stopping before it would rightly leave no file.
    const QDir dir(QString::fromStdString(out.str()));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          return !dir.entryList(QDir::Files).isEmpty() &&
                 (dlg.progress().startsWith(" Site_") || dlg.progress().startsWith(" ..."));
        },
        30000))
        << dlg.status().toStdString() << " " << dlg.progress().toStdString();
    if (const char* dir = std::getenv("STELVAN_PICTURE_DIR")) dlg.grab().save(QString(dir) + "/logging.png");
    // Start returns once the receiver has taken the messages; Stop is live from then on.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.startButton()->isEnabled(); }, 20000));
    dlg.startButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.running() && !dlg.busy(); }, 20000));
    EXPECT_EQ(dlg.status(), "Aborted by user!");
  }
  QFile header(QString::fromStdString(out.str()) + "/profile.ini");
  ASSERT_TRUE(header.open(QIODevice::ReadOnly));
  const QByteArray fields = header.readAll();
  EXPECT_TRUE(fields.contains("REC #= SIM0A1B2C3D4\nREC TYPE= NH-RCV-100\n")) << fields.toStdString();
  const QStringList files = QDir(QString::fromStdString(out.str())).entryList({"*.zrx"}, QDir::Files);
  ASSERT_EQ(files.size(), 1) << files.join(" ").toStdString();
  EXPECT_TRUE(files[0].startsWith("Site_") && files[0].endsWith(".zrx")) << files[0].toStdString();
  QFile f(QString::fromStdString(out.str()) + "/" + files[0]);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.read(5) == "~~005");
  sim.closeStdin();
  sim.finish(5000);
}

TEST(RealTimeLogging, AfterAStallItSaysItLogsOnlyWhenItDoes) {
  QtTestApp();
  ScopedConfigHome config;
  TempDir out;
  rcvsim::Options o;
  o.pty = true;
  o.seed = 7;
  rcvsim::Simulator sim(o);
  std::string error;
  ASSERT_TRUE(sim.start(error)) << error;
  const QString port = QString::fromStdString("COM" + sim.ptyPath() + ":115200:1");
  {
    logging::CRealTimeLogging dlg(port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.startButton()->isEnabled(); }, 20000)) << dlg.status().toStdString();
    dlg.setOutputPath(QString::fromStdString(out.str()));
    dlg.startButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.progress().startsWith(" Site_") || dlg.progress().startsWith(" ..."); },
                                30000))
        << dlg.status().toStdString();
    const auto count = [&] { return dlg.progress().section('/', 1, 1).toLongLong(); };
    const long long before = count();
    // The receiver falls silent for a while: the dialog never shows progress meanwhile.
    sim.faults().stopStreaming = true;
    QStringList seen;
    bool progressWhileSilent = false;
    for (int i = 0; i < 120; ++i) {  // 12 s
      QTest::qWait(100);
      if (seen.isEmpty() || seen.back() != dlg.status()) seen << dlg.status();
      if (seen.contains("Disconnected!") && !dlg.progress().isEmpty()) progressWhileSilent = true;
    }
    EXPECT_TRUE(seen.contains("Disconnected!")) << seen.join(" | ").toStdString();
    EXPECT_TRUE(seen.contains("Reconnecting to : " + port)) << seen.join(" | ").toStdString();
    EXPECT_FALSE(progressWhileSilent) << seen.join(" | ").toStdString();
    sim.faults().stopStreaming = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.progress().isEmpty() && dlg.status() == port; }, 30000))
        << dlg.status().toStdString();
    EXPECT_GE(count(), before);  // the counters go on over the run
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.startButton()->isEnabled() && !dlg.busy(); }, 20000));
    dlg.startButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg.running() && !dlg.busy(); }, 20000));
  }
  sim.stop();
  const QDir dir(QString::fromStdString(out.str()));
  const QStringList files = dir.entryList({"*.zrx"}, QDir::Files);
  EXPECT_GE(files.size(), 2) << files.join(" ").toStdString();
  for (const QString& f : files) {
    QFile file(dir.filePath(f));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("~~005")) << f.toStdString();
    EXPECT_FALSE(bytes.contains("%LG")) << f.toStdString() << ": a reply to the logger's own command";
  }
}

}  // namespace
