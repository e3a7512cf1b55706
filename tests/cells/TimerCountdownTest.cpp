#include "Cells/TimerCountdown.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>

namespace kivari {
namespace {

struct CountingAlert : AlertSound {
  void play() override { ++plays; }
  void stop() override {}
  int plays = 0;
};

constexpr Scheduler::Duration kSecond{1000};

TEST(TimerCountdown, TimeStringsNeverSplitHoursOrOverflow) {
  const std::int64_t max = std::numeric_limits<std::int64_t>::max();
  const std::int64_t min = std::numeric_limits<std::int64_t>::min();
  const std::pair<std::int64_t, const char*> cases[] = {
      {90, "1:30"},  {70, "1:10"},  {69, "1:09"},  {60, "1:00"},  {59, "59"},     {0, "0"},         {605, "10:05"},
      {3600, "60:00"}, {3661, "61:01"}, {-75, "-15"}, {-60, "0"},
      {max, "153722867280912930:07"}, {min, "-8"}};
  for (const auto& [seconds, text] : cases) {
    EXPECT_EQ(TimerCountdown::timerTimeString(seconds), text) << seconds;
  }
}

TEST(TimerCountdown, ColourTurnsOrangeBelowAFifthAndGreenAtZero) {
  EXPECT_EQ(TimerCountdown::timerColor(100, 100), palette::blue);
  EXPECT_EQ(TimerCountdown::timerColor(20, 100), palette::blue);  // exactly a fifth is still blue
  EXPECT_EQ(TimerCountdown::timerColor(19, 100), palette::orange);
  EXPECT_EQ(TimerCountdown::timerColor(1, 100), palette::orange);
  EXPECT_EQ(TimerCountdown::timerColor(0, 100), palette::green);
  EXPECT_EQ(TimerCountdown::timerColor(0, 0), palette::green);
  EXPECT_EQ(TimerCountdown::timerColor(-75, -75), palette::blue);
}

TEST(TimerCountdown, CountsPausesResumesAndSoundsOnceAtZero) {
  ManualScheduler clock;
  CountingAlert alert;
  TimerCountdown timer(90, clock, alert);
  int changes = 0;
  timer.signalChanged().connect([&] { ++changes; });
  EXPECT_EQ(timer.timeString(), "1:30");
  EXPECT_DOUBLE_EQ(timer.progress(), 1.0);
  clock.advance(kSecond * 5);
  EXPECT_EQ(timer.remaining(), 90);  // nothing counts before the cell is shown
  timer.start();
  timer.start();
  clock.advance(kSecond);
  EXPECT_EQ(timer.timeString(), "1:29");
  EXPECT_EQ(changes, 1);

  // Pausing half-way through a wait: the wait runs on and its step does nothing.
  clock.advance(kSecond / 2);
  timer.toggleRunning();
  clock.advance(kSecond * 10);
  EXPECT_EQ(timer.remaining(), 89);
  timer.toggleRunning();
  EXPECT_TRUE(timer.isRunning());
  clock.advance(kSecond / 2);  // the wait already running counts
  EXPECT_EQ(timer.remaining(), 88);

  clock.advance(kSecond * 87);
  EXPECT_EQ(timer.remaining(), 1);
  EXPECT_EQ(alert.plays, 0);
  clock.advance(kSecond);
  EXPECT_TRUE(timer.isDone());
  EXPECT_EQ(alert.plays, 1);
  clock.advance(kSecond * 5);
  EXPECT_EQ(timer.remaining(), 0);
  EXPECT_EQ(alert.plays, 1);
  timer.toggleRunning();  // at zero only the title would change
  EXPECT_EQ(timer.remaining(), 0);

  // Reset after Done!, even paused, counts again and sounds again.
  timer.reset();
  EXPECT_TRUE(timer.isRunning());
  EXPECT_EQ(timer.remaining(), 90);
  clock.advance(kSecond * 90);
  EXPECT_EQ(alert.plays, 2);
}

TEST(TimerCountdown, ZeroAndNegativeDurationsNeverCountOrSound) {
  ManualScheduler clock;
  CountingAlert alert;
  TimerCountdown zero(0, clock, alert);
  TimerCountdown negative(-75, clock, alert);
  zero.start();
  negative.start();
  clock.advance(kSecond * 3);
  zero.reset();
  negative.reset();
  clock.advance(kSecond * 3);
  EXPECT_TRUE(zero.isDone());
  EXPECT_EQ(zero.progress(), 0.0);
  EXPECT_EQ(negative.remaining(), -75);
  EXPECT_FALSE(negative.isDone());
  EXPECT_EQ(negative.progress(), 0.0);
  EXPECT_EQ(alert.plays, 0);
}

TEST(TimerCountdown, ADissolvedTimerNeverSounds) {
  ManualScheduler clock;
  CountingAlert alert;
  // The cell's own scheduler, as its frame gives it.
  ScopedScheduler cell(clock);
  TimerCountdown timer(3, cell, alert);
  timer.start();
  clock.advance(kSecond * 2);
  ASSERT_EQ(timer.remaining(), 1);
  cell.cancelAll();  // the cell starts to dissolve
  clock.advance(kSecond * 5);
  EXPECT_EQ(timer.remaining(), 1);
  EXPECT_EQ(alert.plays, 0);

  // A timer destroyed mid-wait leaves nothing behind on the scheduler.
  auto gone = std::make_unique<TimerCountdown>(1, clock, alert);
  gone->start();
  gone.reset();
  EXPECT_EQ(clock.pendingCount(), 0u);
}

}  // namespace
}  // namespace kivari
