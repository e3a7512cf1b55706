#pragma once

#include "Cells/RandomSource.h"
#include "Core/Scheduler.h"

#include <sigc++/signal.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace kivari {

// The weather cell's simulated query: a short wait, then a temperature and a
// condition drawn from fixed lists. Nothing is fetched.
class WeatherReport {
 public:
  static constexpr Scheduler::Duration kQueryTime{1200};
  static constexpr std::array<int, 8> kTemperatures{58, 62, 67, 71, 74, 78, 82, 85};
  static constexpr std::array<std::string_view, 5> kConditions{"Partly Cloudy", "Clear Sky", "Sunny",
                                                               "Overcast", "Light Rain"};
  // Label and value of each statistic, left to right; they never change.
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kStats{
      {{"Humidity", "62%"}, {"Wind", "8 mph"}, {"UV", "3"}}};

  WeatherReport(std::string location, Scheduler& scheduler, RandomSource& random);
  ~WeatherReport();
  WeatherReport(const WeatherReport&) = delete;
  WeatherReport& operator=(const WeatherReport&) = delete;

  // Starts the query; later calls do nothing.
  void start();

  bool isLoading() const { return isLoading_; }
  const std::optional<int>& temperature() const { return temperature_; }
  const std::string& condition() const { return condition_; }
  // "71°", or empty while there is no temperature.
  std::string temperatureText() const;
  std::string emoji() const { return weatherEmoji(condition_); }
  // The place as asked, or "Current Location" for an empty one.
  std::string locationText() const;

  // Fired once, when the reading replaces the wait.
  sigc::signal<void()>& signalChanged() { return changed_; }

  // First match wins, case-sensitive; a sun behind a cloud when none matches.
  static std::string weatherEmoji(std::string_view condition);

 private:
  void draw();

  std::string location_;
  Scheduler& scheduler_;
  RandomSource& random_;
  Scheduler::Token token_ = 0;
  bool started_ = false;
  bool isLoading_ = true;
  std::optional<int> temperature_;
  std::string condition_;
  sigc::signal<void()> changed_;
};

}  // namespace kivari
