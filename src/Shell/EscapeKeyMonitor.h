#pragma once

#include <gtkmm.h>

#include <functional>

namespace kivari {

// Decides what one key press does: true when it was Esc and dissolving is on
// (the press is then consumed, whatever modifiers are held).
bool escapeKeyConsumes(unsigned keyval, bool enabled);

// Window-wide Esc: sees every key press before the focused widget does.
class EscapeKeyMonitor {
 public:
  EscapeKeyMonitor(Gtk::Window& window, std::function<bool()> enabled,
                   std::function<void()> action);

 private:
  std::function<bool()> enabled_;
  std::function<void()> action_;
};

}  // namespace kivari
