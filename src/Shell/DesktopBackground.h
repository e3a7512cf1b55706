#pragma once

#include <gtkmm.h>

namespace kivari {

// The still, near-black blue-to-violet mesh gradient behind everything.
class DesktopBackground : public Gtk::DrawingArea {
 public:
  DesktopBackground();

 private:
  void draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);
  static Cairo::RefPtr<Cairo::ImageSurface> paintMesh(int width, int height);

  // The mesh rasterised once per size: the renderer replays this drawing for
  // every small redraw above it, and a mesh costs milliseconds each time.
  Cairo::RefPtr<Cairo::ImageSurface> cached_;
};

}  // namespace kivari
