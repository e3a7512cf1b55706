#include "Cells/WeatherReport.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace kivari {
namespace {

// Hands out the indices it was given, in order.
struct ScriptedRandom : RandomSource {
  std::size_t pick(std::size_t count) override {
    counts.push_back(count);
    const std::size_t next = script.front();
    script.pop_front();
    return next;
  }
  std::deque<std::size_t> script;
  std::vector<std::size_t> counts;
};

TEST(WeatherReport, EmojiTakesTheFirstMatchCaseSensitively) {
  const auto sun = WeatherReport::weatherEmoji("Sunny");
  const auto fallback = WeatherReport::weatherEmoji("");
  EXPECT_EQ(WeatherReport::weatherEmoji("Clear Cloud"), sun);  // sun's test comes first
  EXPECT_EQ(WeatherReport::weatherEmoji("Partly Cloudy"), WeatherReport::weatherEmoji("Cloud"));
  EXPECT_NE(WeatherReport::weatherEmoji("Partly Cloudy"), sun);
  EXPECT_EQ(WeatherReport::weatherEmoji("Overcast"), fallback);
  EXPECT_EQ(WeatherReport::weatherEmoji("cloudy"), fallback);
  EXPECT_EQ(WeatherReport::weatherEmoji("Snow and Rain"), WeatherReport::weatherEmoji("Rain"));
  EXPECT_EQ(fallback, "\U0001F324\uFE0F");
}

TEST(WeatherReport, DrawsItsReadingAfterTheQueryTimeOnly) {
  ManualScheduler clock;
  ScriptedRandom random;
  random.script = {3, 4};
  WeatherReport report("paris", clock, random);
  int changes = 0;
  report.signalChanged().connect([&] { ++changes; });
  report.start();
  report.start();
  clock.advance(WeatherReport::kQueryTime - Scheduler::Duration{1});
  EXPECT_TRUE(report.isLoading());
  EXPECT_EQ(report.temperatureText(), "");
  clock.advance(Scheduler::Duration{1});
  EXPECT_FALSE(report.isLoading());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(random.counts, (std::vector<std::size_t>{8, 5}));
  EXPECT_EQ(report.temperatureText(), "71\u00B0");
  EXPECT_EQ(report.condition(), "Light Rain");
  EXPECT_EQ(report.emoji(), WeatherReport::weatherEmoji("Rain"));
  EXPECT_EQ(report.locationText(), "paris");
  clock.advance(WeatherReport::kQueryTime * 5);
  EXPECT_EQ(changes, 1);  // one reading per cell, no refresh
}

TEST(WeatherReport, PlaceIsShownAsAskedAndADissolvedQueryDrawsNothing) {
  ManualScheduler clock;
  ScriptedRandom random;
  EXPECT_EQ(WeatherReport("", clock, random).locationText(), "Current Location");
  EXPECT_EQ(WeatherReport("  ", clock, random).locationText(), "  ");

  ScopedScheduler cell(clock);
  WeatherReport report("paris", cell, random);
  report.start();
  cell.cancelAll();
  clock.advance(WeatherReport::kQueryTime * 2);
  EXPECT_TRUE(report.isLoading());
  EXPECT_TRUE(random.counts.empty());

  auto gone = std::make_unique<WeatherReport>("x", clock, random);
  gone->start();
  gone.reset();
  EXPECT_EQ(clock.pendingCount(), 0u);
}

}  // namespace
}  // namespace kivari
