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

 private:
  State state_;
  std::function<void(KeyAction)> act_;
};

}  // namespace kivari
