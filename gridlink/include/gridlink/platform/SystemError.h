#pragma once
// The system's message text for an errno value ("No such file or directory"), as the original's
// FormatMessage gave it for its error codes. Any thread may call it.
#include <string>

#include "gridlink/Export.h"

namespace Platform {

GRIDLINK_API std::string SystemErrorText(int err);

}  // namespace Platform
