// The program's icon: every size the package installs for the desktop is in the program too,
// and once installed it is what a dialog (one of Linkpanel's as much as ours) shows.
#include <gtest/gtest.h>

#include <QDialog>

#include "QtTestApp.h"
#include "icon/ProgramIcon.h"

TEST(ProgramIcon, HoldsEveryInstalledSizeAndReachesTheDialogs) {
  QtTestApp();
  const QIcon icon = ProgramIcon();
  const QList<QSize> sizes = icon.availableSizes();
  for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
    EXPECT_TRUE(sizes.contains(QSize(n, n))) << n;
    const QImage image = icon.pixmap(QSize(n, n)).toImage();
    ASSERT_EQ(image.size(), QSize(n, n)) << n;
    // The drawing, not an empty square: opaque at the centre, clear in the corner.
    EXPECT_EQ(qAlpha(image.pixel(n / 2, n / 2)), 255) << n;
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << n;
  }
  QDialog before;
  EXPECT_TRUE(before.windowIcon().availableSizes().isEmpty());
  InstallProgramIcon();
  QDialog after;
  EXPECT_EQ(after.windowIcon().availableSizes(), sizes);
}
