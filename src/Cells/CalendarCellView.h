#pragma once

#include <gtkmm.h>

#include <chrono>
#include <functional>

namespace kivari {

// Today's agenda: the date in the user's locale over the five built-in
// events, each marked with the colour of its calendar service. Read-only.
class CalendarCellView : public Gtk::Box {
 public:
  using Clock = std::function<std::chrono::system_clock::time_point()>;

  explicit CalendarCellView(std::function<void()> onDismiss,
                            const Clock& now = [] { return std::chrono::system_clock::now(); });

  const Gtk::Label& weekdayLabel() const { return weekday_; }
  const Gtk::Label& dateLabel() const { return date_; }

 private:
  Gtk::Label weekday_;
  Gtk::Label date_;
};

}  // namespace kivari
