#pragma once

#include "Core/Scheduler.h"

#include <functional>

namespace kivari {

// Runs `release` once the window has painted nothing for `quiet` after
// painting something. Fades and first frames free large image buffers that
// the allocator keeps for reuse; an idle desktop hands them back.
class QuietRelease {
 public:
  QuietRelease(Scheduler& scheduler, Scheduler::Duration quiet, std::function<void()> release);
  ~QuietRelease();
  QuietRelease(const QuietRelease&) = delete;
  QuietRelease& operator=(const QuietRelease&) = delete;

  // A frame was painted: the quiet starts again from now.
  void painted();

 private:
  Scheduler& scheduler_;
  Scheduler::Duration quiet_;
  std::function<void()> release_;
  Scheduler::Token token_ = 0;
};

}  // namespace kivari
