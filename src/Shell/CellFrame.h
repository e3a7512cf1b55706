#pragma once

#include "Core/Scheduler.h"
#include "Shell/Palette.h"

#include <gtkmm.h>

#include <chrono>
#include <functional>
#include <string>

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
class CellMembrane : public Gtk::Widget {
 public:
  static constexpr int kCornerRadius = 28;

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
  void step();

  Gtk::Widget& content_;
  Scheduler& scheduler_;
  bool isActive_;
  double level_ = 0;
  std::chrono::steady_clock::time_point shownAt_;
  Scheduler::Token token_ = 0;
};

}  // namespace kivari
