#pragma once
// Reply and data frames: "RE"/"ER" + three uppercase hex length digits + body.
// A reply longer than the receiver's frame limit goes out in pieces whose text
// ends with "," or "{", each piece carrying the identifier again.
#include <cstdint>
#include <string>
#include <vector>

namespace rcvsim {

// Identifier + length digits + body; the body must not exceed 4095 bytes.
std::string makeFrame(const char id[2], const std::string& body);

// Frames of one reply. `prefix` is the echoed identifier ("" or "%id%").
std::vector<std::string> replyFrames(bool ok, const std::string& prefix, const std::string& text,
                                     std::size_t maxBody);

// Binary data frame: identifier, length, payload and the checksum8 byte over all of it.
std::string binaryFrame(const char id[2], const std::string& payload);
// Text frame closed with the two uppercase text-checksum digits over everything before them.
std::string hexTextFrame(const char id[2], const std::string& payload);
// ">>" wrapper of another port's or another format's data with a message number.
std::string wrapperFrame(std::uint8_t messageNumber, const std::string& data);

// Little-endian appenders for binary bodies.
void putU1(std::string& s, unsigned v);
void putU2(std::string& s, unsigned v);
void putU4(std::string& s, std::uint32_t v);
void putF4(std::string& s, float v);
void putF8(std::string& s, double v);

}  // namespace rcvsim
