#include "logger/DataStreamLogger.h"

#include <chrono>

namespace Gnss {

namespace {
std::uint32_t tick() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

DataStreamLogger::~DataStreamLogger() { Close(); }

bool DataStreamLogger::Open(const std::string& path, bool truncate) {
  std::lock_guard l(lock_);
  if (file_) std::fclose(file_);
  file_ = std::fopen(path.c_str(), truncate ? "wb" : "ab");
  return file_ != nullptr;
}

void DataStreamLogger::Close() {
  std::lock_guard l(lock_);
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

bool DataStreamLogger::IsOpen() {
  std::lock_guard l(lock_);
  return file_ != nullptr;
}

std::FILE* DataStreamLogger::Detach() {
  std::lock_guard l(lock_);
  std::FILE* f = file_;
  file_ = nullptr;
  if (f) std::fflush(f);
  return f;
}

bool DataStreamLogger::Write(const std::uint8_t* bytes, std::size_t count) {
  std::lock_guard l(lock_);
  if (!file_) return false;
  if (count == 0) return true;
  lastWrite_ = tick();
  const std::size_t n = std::fwrite(bytes, 1, count, file_);
  bytes_ += n;
  total_ += n;
  return n == count;
}

}  // namespace Gnss
