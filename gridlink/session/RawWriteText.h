#pragma once
// The "WriteRaw" request: bytes for the receiver's own link, written between commands (never
// inside a command and its reply wait). Requests are zero-terminated text, so the bytes travel
// as hexadecimal digits. Pure functions; any thread.
#include <cstddef>
#include <string>
#include <string_view>

namespace ServerLink {

constexpr std::string_view kRawWriteRequest = "WriteRaw";
// Bytes per request: twice this in digits stays well inside a request's 64 KiB text.
constexpr std::size_t kRawWriteMaxBytes = 30000;

std::string EncodeRawWrite(const void* bytes, std::size_t count);
// False when the text is not an even run of hexadecimal digits.
bool DecodeRawWrite(std::string_view text, std::string& out);

}  // namespace ServerLink
