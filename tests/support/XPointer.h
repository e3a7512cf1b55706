#pragma once

// Include last: the X11 headers define names such as None.
#include "GuiSupport.h"

#include <gtkmm.h>

#include <gdk/x11/gdkx.h>

#include <string>
#include <vector>

namespace kivari::testing {

// Moves the real pointer to (x, y) of `widget` through the X server, then
// does `then` there (a click, a press, a release).
inline bool pointerAt(Gtk::Window& window, Gtk::Widget& widget, double x, double y,
                      const std::vector<std::string>& then) {
  double wx = 0, wy = 0;
  if (!widget.translate_coordinates(window, x, y, wx, wy)) return false;
  const auto xid = gdk_x11_surface_get_xid(window.get_surface()->gobj());
  std::vector<std::string> args{"mousemove", "--window", std::to_string(xid),
                                std::to_string(static_cast<int>(wx)), std::to_string(static_cast<int>(wy))};
  args.insert(args.end(), then.begin(), then.end());
  xdotool(args);
  return true;
}

// Gives the window the keyboard through the X server.
inline void focusWindow(Gtk::Window& window) {
  xdotool({"windowfocus", std::to_string(gdk_x11_surface_get_xid(window.get_surface()->gobj()))});
}

inline bool clickAt(Gtk::Window& window, Gtk::Widget& widget, double x, double y) {
  return pointerAt(window, widget, x, y, {"click", "1"});
}

}  // namespace kivari::testing
