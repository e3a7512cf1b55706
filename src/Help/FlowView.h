#pragma once

#include "Help/FlowLayout.h"

#include <gtkmm.h>

namespace kivari {

// Lays a widget's children out in wrapping rows, each child at its natural
// size. Height-for-width: the height follows the width it is given.
class FlowLayoutManager : public Gtk::LayoutManager {
 public:
  static Glib::RefPtr<FlowLayoutManager> create(double spacing = 8);

 protected:
  explicit FlowLayoutManager(double spacing);
  Gtk::SizeRequestMode get_request_mode_vfunc(const Gtk::Widget& widget) const override;
  void measure_vfunc(const Gtk::Widget& widget, Gtk::Orientation orientation, int forSize, int& minimum,
                     int& natural, int& minimumBaseline, int& naturalBaseline) const override;
  void allocate_vfunc(const Gtk::Widget& widget, int width, int height, int baseline) override;

 private:
  FlowLayout::Arrangement arrange(const Gtk::Widget& widget, double width) const;
  FlowLayout layout_;
};

// A plain container whose children flow in rows. Keep it as a member, not
// managed, so it lets its children go while it is still whole.
class FlowView : public Gtk::Widget {
 public:
  explicit FlowView(double spacing = 8);
  ~FlowView() override;
  // Takes a managed widget; it goes with the view.
  void append(Gtk::Widget& child);
};

}  // namespace kivari
