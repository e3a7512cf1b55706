#pragma once

#include <cstddef>

namespace kivari {

// Where the simulated cells draw their chances from; tests script it.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A uniformly drawn index below `count`; `count` is never 0.
  virtual std::size_t pick(std::size_t count) = 0;
};

// The process's own source, seeded once from the system.
RandomSource& systemRandomSource();

}  // namespace kivari
