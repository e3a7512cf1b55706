#include "Shell/DesktopBackground.h"

#include "Ui/Palette.h"

namespace kivari {

DesktopBackground::DesktopBackground() {
  set_hexpand(true);
  set_vexpand(true);
  set_can_target(false);
  set_draw_func(sigc::mem_fun(*this, &DesktopBackground::draw));
}

void DesktopBackground::draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
  if (!cached_ || cached_->get_width() != width || cached_->get_height() != height) {
    cached_ = paintMesh(width, height);
  }
  cr->set_source(cached_, 0, 0);
  cr->paint();
}

Cairo::RefPtr<Cairo::ImageSurface> DesktopBackground::paintMesh(int width, int height) {
  auto surface = Cairo::ImageSurface::create(Cairo::Surface::Format::RGB24, width, height);
  const auto& colors = desktopMeshColors();
  const double xs[3] = {0, width / 2.0, static_cast<double>(width)};
  const double ys[3] = {0, height / 2.0, static_cast<double>(height)};
  cairo_pattern_t* mesh = cairo_pattern_create_mesh();
  // Four patches, one per cell of the 3-by-3 grid, corners in clockwise order.
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 2; ++col) {
      const int corners[4][2] = {{col, row}, {col + 1, row}, {col + 1, row + 1}, {col, row + 1}};
      cairo_mesh_pattern_begin_patch(mesh);
      cairo_mesh_pattern_move_to(mesh, xs[corners[0][0]], ys[corners[0][1]]);
      for (int i = 1; i < 4; ++i) cairo_mesh_pattern_line_to(mesh, xs[corners[i][0]], ys[corners[i][1]]);
      for (int i = 0; i < 4; ++i) {
        const Rgba& c = colors[static_cast<std::size_t>(corners[i][1] * 3 + corners[i][0])];
        cairo_mesh_pattern_set_corner_color_rgb(mesh, static_cast<unsigned>(i), c.r, c.g, c.b);
      }
      cairo_mesh_pattern_end_patch(mesh);
    }
  }
  cairo_t* c = cairo_create(surface->cobj());
  cairo_set_source(c, mesh);
  cairo_paint(c);
  cairo_destroy(c);
  cairo_pattern_destroy(mesh);
  return surface;
}

}  // namespace kivari
