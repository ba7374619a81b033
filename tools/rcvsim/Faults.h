#pragma once
// Fault switches. Settable at any time from any thread (tests flip them while a
// session runs); the serving thread reads them on every use.
#include <atomic>

namespace rcvsim {

struct Faults {
  std::atomic<double> noise{0.0};          // chance of a burst of noise bytes before each frame
  std::atomic<double> corrupt{0.0};        // fraction of sent bytes replaced by garbage
  std::atomic<double> drop{0.0};           // fraction of sent bytes silently dropped
  std::atomic<int> replyDelayMs{0};        // every reply is held back this long
  std::atomic<bool> noReplies{false};      // commands are taken but never answered
  std::atomic<int> badCrcBlock{-1};        // download block whose first sending carries a bad CRC
  std::atomic<int> badCrcTimes{1};         // how many sendings of that block are damaged
  std::atomic<int> errorBlock{-1};         // download block replaced by an error reply
  std::atomic<long> cutAfterBytes{-1};     // a transfer stops dead after this many bytes
  std::atomic<bool> stopStreaming{false};  // data outputs fall silent, replies go on
};

}  // namespace rcvsim
