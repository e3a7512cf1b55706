#pragma once

#include <gtkmm.h>

namespace kivari {

// The still, near-black blue-to-violet mesh gradient behind everything.
class DesktopBackground : public Gtk::DrawingArea {
 public:
  DesktopBackground();

 private:
  void draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);
};

}  // namespace kivari
