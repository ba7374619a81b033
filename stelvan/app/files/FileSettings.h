#pragma once
// The file manager's and the firmware loader's settings in the program's store.
#include <string>

namespace Files {

// "LoadFile"/"OutputPath": the download folder (default: the program's folder).
std::string OutputPath();
void SetOutputPath(const std::string& path);
// "LoadFile"/"BlockSize": the block size of downloads (default 512).
unsigned BlockSize();
void SetBlockSize(unsigned size);
// "FirmwareLoader"/"Path": the folder of the firmware files (default: the program's folder).
std::string FirmwarePath();
void SetFirmwarePath(const std::string& path);

}  // namespace Files
