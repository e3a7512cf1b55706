#pragma once

#include <chrono>
#include <string>

namespace kivari {

// The clock's two lines in the user's locale: hour and minute in the locale's
// own style, and the full weekday, month and day.
struct ClockText {
  std::string time;
  std::string date;
};

// `locale` is an ICU locale name; empty means the user's default locale.
ClockText formatClock(std::chrono::system_clock::time_point when, const std::string& locale = {},
                      const std::string& timeZone = {});

}  // namespace kivari
