#pragma once

#include <gtkmm.h>

namespace kivari {

// The still, near-black blue-to-violet mesh gradient behind everything.
class DesktopBackground : public Gtk::DrawingArea {
 public:
  DesktopBackground();

 private:
  void draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);
  static void paintMesh(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);
  // The gradient is costly to rasterise; it is drawn once per size and
  // then only copied, which keeps full-window animations smooth on cairo.
  Cairo::RefPtr<Cairo::ImageSurface> cache_;
};

}  // namespace kivari
