#include "icon/ProgramIcon.h"

#include <QGuiApplication>

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/stelvan-%1.png").arg(size), QSize(size, size));
  return icon;
}

void InstallProgramIcon() {
  QGuiApplication::setWindowIcon(ProgramIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("stelvan"));
}
