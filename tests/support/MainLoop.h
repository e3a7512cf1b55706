#pragma once

#include <glib.h>

#include <chrono>
#include <functional>

namespace kivari::testing {

// Runs the default main context until `done` holds or `limitMs` passes.
// It naps only when nothing was ready, so a busy context drains at full speed.
inline bool pumpUntil(const std::function<bool()>& done, int limitMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
  return true;
}

// Runs the default main context for `ms`, whatever happens.
inline void pump(int ms) {
  pumpUntil([] { return false; }, ms);
}

}  // namespace kivari::testing
