// Property: the logger's stream readers see the same stream however it is cut into reads.
// The own-reply filter passes the same bytes whether the input comes whole or in two
// pieces split at a point the input chooses, and never passes more than it was given; the
// ZRX and NMEA time scanners' frames and sentences lie within the bytes given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "logger/NmeaTimeScanner.h"
#include "logger/ReplyFilter.h"
#include "logger/ZrxTimeScanner.h"

namespace {

std::string filtered(const std::uint8_t* data, std::size_t size, std::size_t split) {
  Gnss::ReplyFilter f;
  std::string out;
  f.feed(data, split, out);
  f.feed(data + split, size - split, out);
  f.flush(out);
  return out;
}

template <class Scanner>
int epochCount(const std::string& s) {
  Scanner scanner;
  const auto* b = reinterpret_cast<const std::uint8_t*>(s.data());
  int epochs = 0;
  std::size_t from = 0, at = 0, end = 0;
  for (;;) {
    const auto found = scanner.next(b, s.size(), from, at, end);
    if (found == Gnss::ZrxTimeScanner::Found::Nothing || found == Gnss::ZrxTimeScanner::Found::NeedMore)
      break;
    if (end > s.size() || end <= at) std::abort();
    epochs += found == Gnss::ZrxTimeScanner::Found::Time;
    from = end;
  }
  return epochs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t split = data[0] % size;
  const std::string whole = filtered(data + 1, size - 1, 0);
  if (whole.size() > size - 1) std::abort();
  if (filtered(data + 1, size - 1, split < size - 1 ? split : 0) != whole) std::abort();
  epochCount<Gnss::ZrxTimeScanner>(whole);
  epochCount<Gnss::NmeaTimeScanner>(whole);
  return 0;
}
