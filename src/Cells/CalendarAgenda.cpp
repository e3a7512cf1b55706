#include "Cells/CalendarAgenda.h"

#include "Ui/ClockText.h"

namespace kivari {

const std::vector<CalendarEvent>& todayEvents() {
  static const std::vector<CalendarEvent> events{
      {"9:00 AM", "Team Standup", "Google Calendar"},
      {"11:30 AM", "Design Review", "Outlook"},
      {"1:00 PM", "Lunch with Sarah", "iCloud"},
      {"3:00 PM", "Sprint Planning", "Google Calendar"},
      {"5:30 PM", "Yoga Class", "iCloud"},
  };
  return events;
}

Rgba calendarSourceColor(std::string_view source) {
  if (source == "Google Calendar") return palette::blue;
  if (source == "Outlook") return palette::purple;
  return palette::orange;
}

std::string eventCountText(std::size_t count) { return std::to_string(count) + " events"; }

CalendarDateLines calendarDateLines(std::chrono::system_clock::time_point when,
                                    const std::string& locale, const std::string& timeZone) {
  return {formatDateSkeleton(when, "EEEE", locale, timeZone),
          formatDateSkeleton(when, "yMMMMd", locale, timeZone)};
}

}  // namespace kivari
