#include "files/FileSettings.h"

#include <QCoreApplication>

#include "gridlink/CProfile.h"

namespace Files {
namespace {

std::string programFolder() {
  return QCoreApplication::instance() ? QCoreApplication::applicationDirPath().toStdString()
                                      : std::string(".");
}

}  // namespace

std::string OutputPath() {
  CProfile profile;
  return profile.Read("LoadFile", "OutputPath", programFolder().c_str());
}

void SetOutputPath(const std::string& path) {
  CProfile profile;
  profile.Write("LoadFile", "OutputPath", path.c_str());
}

unsigned BlockSize() {
  CProfile profile;
  const int size = std::atoi(profile.Read("LoadFile", "BlockSize", "512"));
  return size > 0 && size <= 0xFFFF ? static_cast<unsigned>(size) : 512u;
}

void SetBlockSize(unsigned size) {
  CProfile profile;
  profile.Write("LoadFile", "BlockSize", std::to_string(size).c_str());
}

std::string FirmwarePath() {
  CProfile profile;
  return profile.Read("FirmwareLoader", "Path", programFolder().c_str());
}

void SetFirmwarePath(const std::string& path) {
  CProfile profile;
  profile.Write("FirmwareLoader", "Path", path.c_str());
}

}  // namespace Files
