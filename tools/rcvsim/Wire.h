#pragma once
// The receiver's end of one link: writes what the receiver sends to the file
// descriptor, applying the byte faults, the line-speed garbling and, when asked,
// the pacing of the emulated rate; traces both directions. Used by the one
// thread that serves the link. Writes are bounded: a peer that does not read
// for half a second loses the rest of the chunk, and for a second after that
// what does not fit at once is dropped without waiting.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "Faults.h"
#include "LineSpeed.h"
#include "Rng.h"
#include "Trace.h"

namespace rcvsim {

class Wire {
 public:
  // `socket`: the descriptor is a socket (written without SIGPIPE).
  Wire(int fd, bool socket, Faults& faults, Trace& trace, std::uint64_t seed, const std::atomic<bool>& stop);
  // Emulates the line speed on this descriptor (pseudo-terminals only).
  void emulateSpeed(int rate, bool pace);
  LineSpeed* speed() { return speed_.get(); }

  // False when the link is gone.
  bool send(const std::string& bytes);
  // A frame: maybe preceded by a noise burst (fault), then sent.
  bool sendFrame(const std::string& frame);
  // Received bytes: traced, and garbled while the speeds differ.
  void received(char* bytes, std::size_t count);
  bool broken() const { return broken_; }
  std::uint64_t bytesSent() const { return sent_; }

 private:
  bool writeAll(const char* p, std::size_t n);
  int fd_;
  bool socket_;
  Faults& faults_;
  Trace& trace_;
  Rng rng_;
  const std::atomic<bool>& stop_;
  std::unique_ptr<LineSpeed> speed_;
  bool pace_ = false;
  std::chrono::steady_clock::time_point congestedUntil_{};
  // Paced output: when the emulated line has sent everything handed to it so far.
  std::chrono::steady_clock::time_point lineFree_{};
  bool broken_ = false;
  std::uint64_t sent_ = 0;
};

}  // namespace rcvsim
