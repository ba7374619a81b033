#include "Trace.h"

#include <chrono>

namespace rcvsim {

namespace {
double secondsNow() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

Trace::~Trace() {
  if (file_) std::fclose(file_);
}

bool Trace::open(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void Trace::note(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_) return;
  std::fprintf(file_, "%.3f # %s\n", secondsNow(), text.c_str());
  std::fflush(file_);
}

void Trace::write(char direction, const void* bytes, std::size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_ || count == 0) return;
  std::fprintf(file_, "%.3f %c ", secondsNow(), direction);
  const auto* p = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char c = p[i];
    if (c == '\\')
      std::fputs("\\\\", file_);
    else if (c == '\r')
      std::fputs("\\r", file_);
    else if (c == '\n')
      std::fputs("\\n", file_);
    else if (c >= 0x20 && c < 0x7F)
      std::fputc(c, file_);
    else
      std::fprintf(file_, "\\x%02X", c);
  }
  std::fputc('\n', file_);
  std::fflush(file_);
}

}  // namespace rcvsim
