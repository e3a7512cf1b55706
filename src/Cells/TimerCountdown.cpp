#include "Cells/TimerCountdown.h"

namespace kivari {

TimerCountdown::TimerCountdown(std::int64_t totalSeconds, Scheduler& scheduler, AlertSound& alert)
    : totalSeconds_(totalSeconds),
      remaining_(totalSeconds),
      alert_(alert),
      ticks_(scheduler, kTick, [this] { tick(); }) {}

void TimerCountdown::start() { ticks_.start(); }

void TimerCountdown::toggleRunning() {
  isRunning_ = !isRunning_;
  changed_.emit();
}

void TimerCountdown::reset() {
  remaining_ = totalSeconds_;
  isRunning_ = true;
  changed_.emit();
}

double TimerCountdown::progress() const {
  if (totalSeconds_ <= 0) return 0;
  return static_cast<double>(remaining_) / static_cast<double>(totalSeconds_);
}

void TimerCountdown::tick() {
  if (!isRunning_ || remaining_ <= 0) return;
  --remaining_;
  if (remaining_ == 0) alert_.play();
  changed_.emit();
}

std::string TimerCountdown::timerTimeString(std::int64_t remaining) {
  // Division truncates toward zero, so a negative count shows its signed seconds alone.
  const std::int64_t minutes = remaining / 60;
  const std::int64_t seconds = remaining % 60;
  if (minutes <= 0) return std::to_string(seconds);
  return std::to_string(minutes) + (seconds < 10 ? ":0" : ":") + std::to_string(seconds);
}

Rgba TimerCountdown::timerColor(std::int64_t remaining, std::int64_t totalSeconds) {
  if (remaining == 0) return palette::green;
  if (totalSeconds != 0 &&
      static_cast<double>(remaining) / static_cast<double>(totalSeconds) < 0.2) {
    return palette::orange;
  }
  return palette::blue;
}

}  // namespace kivari
