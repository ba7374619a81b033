#include "gridlink/platform/SystemError.h"

#include <system_error>

namespace Platform {

// std::system_category() is thread-safe where strerror() is not.
std::string SystemErrorText(int err) {
  return std::system_category().message(err);
}

}  // namespace Platform
