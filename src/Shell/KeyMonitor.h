#pragma once

#include "Shell/KeyAction.h"

#include <gtkmm.h>

#include <functional>
#include <map>

namespace kivari {

// Window-wide keys: sees every key press before the focused widget does.
class KeyMonitor {
 public:
  using State = std::function<WindowKeyState()>;
  KeyMonitor(Gtk::Window& window, State state, std::function<void(KeyAction)> act);
  ~KeyMonitor();
  KeyMonitor(const KeyMonitor&) = delete;
  KeyMonitor& operator=(const KeyMonitor&) = delete;

  // Presses of Return or Space are numbered as they begin; a held key's
  // repeats keep its number. A card tells from it a press meant for it
  // from one that began before it could take it.
  unsigned pressCount() const { return presses_; }
  // The number of the Return or Space press being handled now, else 0.
  unsigned currentPress() const { return currentPress_; }

 private:
  Gtk::Window& window_;
  Glib::RefPtr<Gtk::EventControllerKey> controller_;
  sigc::connection activeChanged_;
  sigc::connection windowDestroyed_;
  bool windowGone_ = false;
  State state_;
  std::function<void(KeyAction)> act_;
  // Each held Return or Space, by key, with the number of its press.
  std::map<guint, unsigned> held_;
  unsigned presses_ = 0;
  unsigned currentPress_ = 0;
};

}  // namespace kivari
