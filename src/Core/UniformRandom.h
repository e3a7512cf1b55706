#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>

namespace kivari {

// Uniform draws for the desktop's random staging (splash particles, banner
// waits). Seeded from the system unless a test gives a seed.
class UniformRandom {
 public:
  UniformRandom() : engine_(std::random_device{}()) {}
  explicit UniformRandom(std::uint32_t seed) : engine_(seed) {}

  // A value in lo ... hi.
  double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(engine_); }
  // One of 0 ... count - 1, each equally likely; count must be positive.
  std::size_t index(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(engine_);
  }

 private:
  std::mt19937 engine_;
};

}  // namespace kivari
