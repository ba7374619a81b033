#include "ReplyLines.h"

namespace {
constexpr std::size_t kHeader = 5;

bool hexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

unsigned hexValue(char c) {
  return static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
}

// How much of a reply header text[at..] holds: kHeader for a whole one, the length of a
// possible beginning when the text ends first, 0 when it is no header.
std::size_t headerAt(std::string_view text, std::size_t at) {
  const std::size_t n = std::min(kHeader, text.size() - at);
  for (std::size_t k = 0; k < n; ++k) {
    const char c = text[at + k];
    const bool fits = k == 0   ? (c == 'R' || c == 'E')
                      : k == 1 ? (c == (text[at] == 'R' ? 'E' : 'R'))
                               : hexDigit(c);
    if (!fits) return 0;
  }
  return n;
}
}  // namespace

std::string ReplyLines::separate(std::string_view output, bool lineOpen) {
  const std::string text = pending_ + std::string(output);
  pending_.clear();
  std::string out;
  out.reserve(text.size() + 4);
  const auto breakLine = [&] {
    if (out.empty() ? lineOpen : out.back() != '\n') out += '\n';
  };
  const auto endFrameIfDone = [&] {
    if (!inFrame_ || frameLeft_ > 0) return;
    inFrame_ = false;
    // A reply text ending in "," or "{" goes on in the next frame, on the same line.
    continued_ = lastBodyByte_ == ',' || lastBodyByte_ == '{';
    if (!continued_) {
      afterReply_ = true;
      if (due_ > 0) --due_;
    }
  };
  for (std::size_t i = 0; i < text.size();) {
    if (inFrame_) {
      const std::size_t take = std::min(frameLeft_, text.size() - i);
      out.append(text, i, take);
      if (take) lastBodyByte_ = text[i + take - 1];
      i += take;
      frameLeft_ -= take;
      endFrameIfDone();
      continue;
    }
    const std::size_t header = due_ > 0 || continued_ ? headerAt(text, i) : 0;
    if (header == kHeader) {
      if (!continued_) breakLine();
      continued_ = afterReply_ = false;
      out.append(text, i, kHeader);
      inFrame_ = true;
      frameLeft_ = hexValue(text[i + 2]) << 8 | hexValue(text[i + 3]) << 4 | hexValue(text[i + 4]);
      lastBodyByte_ = 0;
      i += kHeader;
      endFrameIfDone();
      continue;
    }
    if (header > 0 && i + header == text.size()) {  // the rest of the header is still to come
      pending_ = text.substr(i);
      break;
    }
    if (afterReply_ && text[i] != '\r' && text[i] != '\n') breakLine();
    afterReply_ = false;
    out += text[i++];
  }
  return out;
}
