#include "LineSpeed.h"

#include <termios.h>

namespace rcvsim {

namespace {
struct Pair {
  speed_t code;
  int baud;
};
const Pair kSpeeds[] = {{B300, 300},         {B600, 600},        {B1200, 1200},       {B2400, 2400},
                        {B4800, 4800},       {B9600, 9600},      {B19200, 19200},     {B38400, 38400},
                        {B57600, 57600},     {B115200, 115200},  {B230400, 230400},   {B460800, 460800},
                        {B500000, 500000},   {B921600, 921600},  {B1000000, 1000000}, {B1500000, 1500000},
                        {B2000000, 2000000}, {B3000000, 3000000}};
}  // namespace

int LineSpeed::baudOf(unsigned code) {
  for (const Pair& p : kSpeeds)
    if (p.code == code) return p.baud;
  return 0;
}

unsigned LineSpeed::codeOf(int baud) {
  for (const Pair& p : kSpeeds)
    if (p.baud == baud) return p.code;
  return 0;
}

int LineSpeed::otherRate() const {
  termios t{};
  if (tcgetattr(fd_, &t) != 0) return 0;
  return baudOf(cfgetospeed(&t));
}

bool LineSpeed::mismatched() const {
  const int other = otherRate();
  return other != 0 && other != rate_;
}

void LineSpeed::garble(char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(0x80 | (rng_.byte() & 0x7F));
}

}  // namespace rcvsim
