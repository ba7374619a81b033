#include "logger/ReplyFilter.h"

namespace Gnss {

namespace {
constexpr std::size_t kHead = 8;  // "RE" + 3 digits + "%LG"

bool hex(std::uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int hexValue(std::uint8_t c) {
  return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// Whether the `len` bytes at `s` (len <= 8) may begin an own reply.
bool fits(const std::uint8_t* s, std::size_t len) {
  if (len > 0 && s[0] != 'R' && s[0] != 'E') return false;
  if (len > 1 && !((s[0] == 'R' && s[1] == 'E') || (s[0] == 'E' && s[1] == 'R'))) return false;
  for (std::size_t k = 2; k < len && k < 5; ++k)
    if (!hex(s[k])) return false;
  const char tag[] = {'%', ReplyFilter::kTag[0], ReplyFilter::kTag[1]};
  for (std::size_t k = 5; k < len; ++k)
    if (s[k] != static_cast<std::uint8_t>(tag[k - 5])) return false;
  return true;
}
}  // namespace

void ReplyFilter::feed(const std::uint8_t* bytes, std::size_t n, std::string& out) {
  if (head_.empty()) return scan(bytes, n, out);
  // Rare: the last block ended on what may begin a reply.
  std::string joined = std::move(head_);
  head_.clear();
  joined.append(reinterpret_cast<const char*>(bytes), n);
  scan(reinterpret_cast<const std::uint8_t*>(joined.data()), joined.size(), out);
}

void ReplyFilter::scan(const std::uint8_t* b, std::size_t n, std::string& out) {
  std::size_t i = 0, from = 0;
  while (i < n) {
    if (skip_ > 0) {
      const std::size_t k = skip_ < n - i ? skip_ : n - i;
      skip_ -= k;
      i += k;
      from = i;
      continue;
    }
    if (b[i] != 'R' && b[i] != 'E') {
      ++i;
      continue;
    }
    const std::size_t have = n - i < kHead ? n - i : kHead;
    if (!fits(b + i, have)) {
      ++i;
      continue;
    }
    out.append(reinterpret_cast<const char*>(b + from), i - from);
    if (have < kHead) {  // may be one: decide with the next block
      head_.assign(reinterpret_cast<const char*>(b + i), have);
      return;
    }
    skip_ =
        5 + static_cast<std::size_t>(hexValue(b[i + 2]) * 256 + hexValue(b[i + 3]) * 16 + hexValue(b[i + 4]));
    from = i;
  }
  out.append(reinterpret_cast<const char*>(b + from), n - from);
}

void ReplyFilter::flush(std::string& out) {
  out += head_;
  head_.clear();
}

}  // namespace Gnss
