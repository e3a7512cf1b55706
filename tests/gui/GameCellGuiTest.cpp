// The game cell in its membrane: step labels drawn whole on the cairo
// renderer, and long names that never widen the cell past the window.
#include "Cells/GameCellView.h"
#include "Shell/CellLayer.h"
#include "Ui/Style.h"

#include "GuiSupport.h"
#include "MainLoop.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kivari {
namespace {

using testing::pump;
using testing::pumpUntil;

Gtk::Label* labelWithClass(Gtk::Widget& root, const char* cssClass) {
  if (auto* label = dynamic_cast<Gtk::Label*>(&root); label != nullptr && label->has_css_class(cssClass)) {
    return label;
  }
  for (auto* c = root.get_first_child(); c != nullptr; c = c->get_next_sibling()) {
    if (auto* hit = labelWithClass(*c, cssClass)) return hit;
  }
  return nullptr;
}

// The window as the cairo renderer draws it, whatever renderer shows it.
struct CairoPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;  // B, G, R, A per pixel

  explicit CairoPicture(Gtk::Window& window) {
    width = window.get_width();
    height = window.get_height();
    GdkPaintable* paintable = gtk_widget_paintable_new(GTK_WIDGET(window.gobj()));
    GtkSnapshot* snapshot = gtk_snapshot_new();
    gdk_paintable_snapshot(paintable, snapshot, width, height);
    GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
    GskRenderer* renderer = gsk_cairo_renderer_new();
    if (node != nullptr && gsk_renderer_realize(renderer, window.get_surface()->gobj(), nullptr)) {
      const graphene_rect_t viewport = GRAPHENE_RECT_INIT(0, 0, static_cast<float>(width), static_cast<float>(height));
      GdkTexture* texture = gsk_renderer_render_texture(renderer, node, &viewport);
      pixels.resize(static_cast<std::size_t>(width) * height * 4);
      gdk_texture_download(texture, pixels.data(), static_cast<gsize>(width) * 4);
      g_object_unref(texture);
      gsk_renderer_unrealize(renderer);
    }
    g_object_unref(renderer);
    if (node != nullptr) gsk_render_node_unref(node);
    g_object_unref(paintable);
  }
  bool lit(int x, int y) const {
    const auto* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
    return p[0] + p[1] + p[2] > 3 * 110;
  }
  // The topmost lit row in columns [x0, x1) of rows [y0, y1), or y1 when none.
  int top(int x0, int x1, int y0, int y1) const {
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        if (lit(x, y)) return y;
      }
    }
    return y1;
  }
};

class GameCellGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    installStyle();
    window.add_css_class("kivari");
    window.set_decorated(false);
    window.set_default_size(1024, 700);
  }
  void TearDown() override {
    if (cell) cell->dissolving();
    window.unset_child();
    cell.reset();
    window.hide();
    pump(50);
  }
  void open(const std::string& name) {
    cell = std::make_unique<FramedCell>(clock, 16, [&](Scheduler& steps) {
      return std::make_unique<GameCellView>(name, [] {}, steps);
    });
    window.set_child(*cell);
    window.present();
    ASSERT_TRUE(pumpUntil([&] { return cell->get_mapped() && cell->get_width() > 0; }, 3000));
    pump(100);
  }

  ManualScheduler clock;
  Gtk::Window window;
  std::unique_ptr<FramedCell> cell;
};

// The dot of an "i" rises above the x-height of the "n" beside it.
TEST_F(GameCellGuiTest, AStepLabelDrawsItsGlyphsWhole) {
  open("chess");
  auto* label = labelWithClass(cell->cell(), "game-step-label");
  ASSERT_NE(label, nullptr);
  ASSERT_EQ(label->get_text().substr(0, 7), "Reading");
  graphene_rect_t box;
  ASSERT_TRUE(gtk_widget_compute_bounds(GTK_WIDGET(label->gobj()), GTK_WIDGET(window.gobj()), &box));
  int dx = 0, dy = 0;
  label->get_layout_offsets(dx, dy);
  auto column = [&](int index) {
    const auto at = label->get_layout()->index_to_pos(index);
    const int x = static_cast<int>(box.origin.x) + dx + at.get_x() / PANGO_SCALE;
    return std::pair{x, x + at.get_width() / PANGO_SCALE};
  };
  const CairoPicture picture(window);
  ASSERT_FALSE(picture.pixels.empty());
  const int y0 = static_cast<int>(box.origin.y), y1 = y0 + static_cast<int>(box.size.height);
  const auto [ix0, ix1] = column(4);  // the "i" of "Reading"
  const auto [nx0, nx1] = column(5);  // its "n"
  const int nTop = picture.top(nx0, nx1, y0, y1);
  ASSERT_LT(nTop, y1);
  EXPECT_LT(picture.top(ix0, ix1, y0, y1), nTop - 1);
}

// Typed or named by the model, a name of any length leaves the window as it
// was and the cell inside it, with every step label shown in part.
TEST_F(GameCellGuiTest, ALongNameNeverWidensTheCellPastTheWindow) {
  std::string words;
  while (words.size() < 6000) words += "tetrominoes ";
  for (const std::string& name : {words, std::string(6000, 'q'), std::string(65535, 'q')}) {
    open(name);
    pump(200);
    EXPECT_EQ(window.get_width(), 1024) << name.size();
    EXPECT_LE(cell->get_width(), window.get_width()) << name.size();
    auto* label = labelWithClass(cell->cell(), "game-step-label");
    ASSERT_NE(label, nullptr);
    EXPECT_LE(label->get_width(), 400);
    EXPECT_EQ(label->get_text().raw().substr(0, 21), "Reading DNA from " + name.substr(0, 4));
    cell->dissolving();
    window.unset_child();
    cell.reset();
  }
}

}  // namespace
}  // namespace kivari
