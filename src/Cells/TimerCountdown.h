#pragma once

#include "Cells/AlertSound.h"
#include "Core/Scheduler.h"
#include "Ui/Palette.h"

#include <sigc++/signal.h>

#include <cstdint>
#include <string>

namespace kivari {

// The timer cell's countdown: one step a second on the cell's scheduler from
// the moment the cell is shown. The count stops at zero, where the alert
// sounds once. Steps end with the scheduler, so a dissolved timer is silent.
class TimerCountdown {
 public:
  static constexpr Scheduler::Duration kTick{1000};

  TimerCountdown(std::int64_t totalSeconds, Scheduler& scheduler, AlertSound& alert);

  // Starts the once-a-second loop; later calls do nothing.
  void start();
  // Pause and Resume: only the running flag changes, the wait goes on.
  void toggleRunning();
  // Back to the full duration, counting.
  void reset();

  std::int64_t totalSeconds() const { return totalSeconds_; }
  std::int64_t remaining() const { return remaining_; }
  bool isRunning() const { return isRunning_; }
  bool isDone() const { return remaining_ == 0; }
  // The share of the duration still left; 0 for a duration of 0 or less.
  double progress() const;
  Rgba color() const { return timerColor(remaining_, totalSeconds_); }
  std::string timeString() const { return timerTimeString(remaining_); }

  // Fired after any change of the count or the running flag.
  sigc::signal<void()>& signalChanged() { return changed_; }

  // "1:30" from 90, "59" from 59; minutes are never split into hours.
  static std::string timerTimeString(std::int64_t remaining);
  // Green at zero, orange for the last fifth, blue before.
  static Rgba timerColor(std::int64_t remaining, std::int64_t totalSeconds);

 private:
  void tick();

  std::int64_t totalSeconds_;
  std::int64_t remaining_;
  bool isRunning_ = true;
  AlertSound& alert_;
  RepeatingTask ticks_;
  sigc::signal<void()> changed_;
};

}  // namespace kivari
