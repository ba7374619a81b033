#pragma once
// Receiver streams for the logger's tests: ZRX epochs with time and date frames, and a
// receiver that records what the logger asks of it.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "gridlink/Framing.h"
#include "logger/GnssLogSession.h"
#include "logger/ZrxTimeScanner.h"

namespace zrxtest {

inline std::int64_t hms(int h, int m, int s) {
  return ((h * 60LL + m) * 60 + s) * 1000;
}

inline std::string frame(const char* id, const std::string& body) {
  char len[4];
  std::snprintf(len, sizeof len, "%03X", static_cast<unsigned>(body.size() + 1));
  std::string f = std::string(id, 2) + len + body;
  f += static_cast<char>(Zrx::checksum8(f.data(), f.size()));
  return f;
}
inline std::string le(std::uint32_t v, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// Epochs of a receiver: time, date, a body with bytes that look like frame starts, end.
// The date follows the time of day across midnight and month ends.
inline std::string epochs(std::int64_t startTod, int count, int stepMs, int year, int month, int day,
                          std::mt19937& rng) {
  std::string s;
  const std::int64_t day0 = Gnss::daysFromCivil(year, month, day);
  for (int i = 0; i < count; ++i) {
    const std::int64_t t = startTod + static_cast<std::int64_t>(i) * stepMs;
    const Gnss::ReceiverDate d = Gnss::civilFromDays(day0 + t / 86400000);
    s += frame("~~", le(static_cast<std::uint32_t>(t % 86400000), 4));
    s += frame("RD", le(static_cast<std::uint32_t>(d.year), 2) + le(static_cast<std::uint32_t>(d.month), 1) +
                         le(static_cast<std::uint32_t>(d.day), 1) + le(0, 1));
    std::string body(20 + rng() % 40, '\0');
    for (char& c : body) c = "~R~D0x5"[rng() % 7];
    s += frame("PG", body) + frame("||", "");
  }
  return s;
}

struct FakeReceiver : Gnss::ILogReceiver {
  bool ready() override { return true; }
  bool writeRaw(const std::string& text) override { return raw.push_back(text), true; }
  bool command(const std::string& text, std::string& reply, int) override {
    commands.push_back(text);
    if (!refuse.empty() && text.find("em,,") != std::string::npos) return reply = refuse, false;
    return reply = "", true;
  }
  void setStreamSink(std::function<void(const std::uint8_t*, std::size_t)> s) override {
    sink = std::move(s);
  }
  void feed(const std::string& bytes, std::mt19937& rng) {
    for (std::size_t p = 0; p < bytes.size();) {
      const std::size_t n = std::min<std::size_t>(1 + rng() % 700, bytes.size() - p);
      sink(reinterpret_cast<const std::uint8_t*>(bytes.data() + p), n);
      p += n;
    }
  }
  std::function<void(const std::uint8_t*, std::size_t)> sink;
  std::vector<std::string> raw, commands;
  std::string refuse;  // the receiver's text when it refuses an "em"
};

}  // namespace zrxtest
