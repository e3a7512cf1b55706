#pragma once

#include "Ui/Palette.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace kivari {

// The calendar cell's built-in agenda: the same five events every day.
struct CalendarEvent {
  std::string time;
  std::string title;
  std::string source;
};

const std::vector<CalendarEvent>& todayEvents();

// The mark of a calendar service; any text but the two named ones is orange.
Rgba calendarSourceColor(std::string_view source);

// "5 events"; no singular form.
std::string eventCountText(std::size_t count);

// The full weekday, and the full month with day and year, as the locale
// writes them. `locale` is an ICU locale name; empty means the user's.
struct CalendarDateLines {
  std::string weekday;
  std::string date;
};
CalendarDateLines calendarDateLines(std::chrono::system_clock::time_point when,
                                    const std::string& locale = {},
                                    const std::string& timeZone = {});

}  // namespace kivari
