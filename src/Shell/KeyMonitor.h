#pragma once

#include "Shell/KeyAction.h"

#include <gtkmm.h>

#include <functional>

namespace kivari {

// Window-wide keys: sees every key press before the focused widget does.
class KeyMonitor {
 public:
  using State = std::function<WindowKeyState()>;
  KeyMonitor(Gtk::Window& window, State state, std::function<void(KeyAction)> act);
  ~KeyMonitor();
  KeyMonitor(const KeyMonitor&) = delete;
  KeyMonitor& operator=(const KeyMonitor&) = delete;

  // Whether Return is down now, and how often it has been let go: a card
  // tells the Return that put it up from one pressed on it.
  bool returnDown() const { return returnDown_; }
  unsigned returnReleases() const { return returnReleases_; }

 private:
  Gtk::Window& window_;
  Glib::RefPtr<Gtk::EventControllerKey> controller_;
  sigc::connection activeChanged_;
  sigc::connection windowDestroyed_;
  bool windowGone_ = false;
  State state_;
  std::function<void(KeyAction)> act_;
  bool returnDown_ = false;
  unsigned returnReleases_ = 0;
};

}  // namespace kivari
