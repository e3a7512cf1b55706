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

// A date in the locale's own arrangement of the fields an ICU skeleton names
// ("EEEE", "yMMMMd" ...). A locale ICU cannot use gives the root locale's
// arrangement; empty when the skeleton is unusable.
std::string formatDateSkeleton(std::chrono::system_clock::time_point when, const char* skeleton,
                               const std::string& locale = {}, const std::string& timeZone = {});

// Garbage in LC_ALL or LANG ("Europe/London") makes ICU's default locale
// bogus, and ICU crashes on it rather than report it: such a default becomes
// the root locale. Answers whether it had to.
bool settleDefaultLocale();

}  // namespace kivari
