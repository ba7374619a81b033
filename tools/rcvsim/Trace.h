#pragma once
// Trace of everything received and sent, for debugging a client against the
// simulator. One line per chunk: time, direction, escaped bytes. Thread-safe.
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>

namespace rcvsim {

class Trace {
 public:
  Trace() = default;
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  bool open(const std::string& path);
  bool active() const { return file_ != nullptr; }
  void received(const void* bytes, std::size_t count) { write('>', bytes, count); }
  void sent(const void* bytes, std::size_t count) { write('<', bytes, count); }
  void note(const std::string& text);

 private:
  void write(char direction, const void* bytes, std::size_t count);
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
};

}  // namespace rcvsim
