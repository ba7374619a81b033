#pragma once
// Small deterministic generator (splitmix64): the same seed gives the same
// garbage, noise and measurement scatter on every run and every platform.
#include <cstdint>

namespace rcvsim {

class Rng {
 public:
  explicit Rng(std::uint64_t seed = 0) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  // Roughly normal, mean 0, deviation 1 (sum of uniforms; enough for scatter).
  double gauss() {
    double s = 0;
    for (int i = 0; i < 12; ++i) s += uniform();
    return s - 6.0;
  }
  std::uint8_t byte() { return static_cast<std::uint8_t>(next() >> 56); }

  // A stateless draw keyed by (seed, a, b): the same epoch gets the same scatter
  // whichever messages are asked for and in which order.
  static double gaussAt(std::uint64_t seed, std::uint64_t a, std::uint64_t b) {
    Rng r(seed ^ (a * 0x9E3779B97F4A7C15ull) ^ (b * 0xC2B2AE3D27D4EB4Full));
    return r.gauss();
  }

 private:
  std::uint64_t state_;
};

}  // namespace rcvsim
