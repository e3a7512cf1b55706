#pragma once

#include "Core/Scheduler.h"
#include "Ui/Palette.h"

#include <gtkmm.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kivari {

// The title row of a cell: symbol, title, a source tag and a close button.
class CellHeader : public Gtk::Box {
 public:
  CellHeader(const std::string& icon, const Rgba& iconColor, const std::string& title,
             const std::string& detail, std::function<void()> onDismiss);
  Gtk::Button& closeButton() { return close_; }

 private:
  Gtk::Button close_;
};

// The translucent rounded frame every cell sits in; its edge and cyan glow
// brighten and dim once every six seconds while the cell is shown.
//
// The edge and the glow are drawn once per size, at rest and at full breath,
// into four strips along the outline; each step of a breath blends the two
// in one strip at a time. A step thus repaints one narrow strip, and a
// redraw inside the cell (a timer's ring, a progress bar) repaints no
// blurred or stroked outline at all.
class CellMembrane : public Gtk::Widget {
 public:
  static constexpr int kCornerRadius = 28;
  // The breath is drawn in this many steps each way; finer steps would
  // change hardly a pixel and cost a repaint each.
  static constexpr int kBreathSteps = 5;

  CellMembrane(Gtk::Widget& content, Scheduler& scheduler, bool isActive = true);
  ~CellMembrane() override;
  double level() const { return level_; }

 protected:
  Gtk::SizeRequestMode get_request_mode_vfunc() const override;
  void measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                     int& minimumBaseline, int& naturalBaseline) const override;
  void size_allocate_vfunc(int width, int height, int baseline) override;
  void snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) override;

 private:
  struct NodeUnref {
    void operator()(GskRenderNode* node) const { gsk_render_node_unref(node); }
  };
  struct Strip {
    graphene_rect_t bounds;
    Cairo::RefPtr<Cairo::ImageSurface> base;
    Cairo::RefPtr<Cairo::ImageSurface> rest;
    Cairo::RefPtr<Cairo::ImageSurface> full;
    // Handed to GTK again unchanged until the strip's step changes, which
    // tells it nothing there needs repainting.
    std::unique_ptr<GskRenderNode, NodeUnref> node;
    int step = -1;
  };

  void step();
  int targetStep() const;
  void buildChrome(int width, int height);
  void drawStrip(Strip& strip, int step) const;

  Gtk::Widget& content_;
  Scheduler& scheduler_;
  bool isActive_;
  double level_ = 0;
  std::vector<Strip> strips_;
  int chromeWidth_ = 0, chromeHeight_ = 0, chromeScale_ = 0;
  // The chrome of this size cannot be made; the cell goes without it.
  bool chromeRefused_ = false;
  std::size_t nextStrip_ = 0;
  int pendingStrip_ = -1;
  std::chrono::steady_clock::time_point shownAt_;
  Scheduler::Token token_ = 0;
};

}  // namespace kivari
