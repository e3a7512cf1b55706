#include "Cells/RandomSource.h"

#include <random>

namespace kivari {

namespace {

class SystemRandomSource final : public RandomSource {
 public:
  std::size_t pick(std::size_t count) override {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(engine_);
  }

 private:
  std::mt19937_64 engine_{std::random_device{}()};
};

}  // namespace

RandomSource& systemRandomSource() {
  static SystemRandomSource source;
  return source;
}

}  // namespace kivari
