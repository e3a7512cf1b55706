#pragma once

#include <gtkmm.h>

#include <string_view>

namespace kivari {

// Holds one child no wider than `maxWidth`, centred; narrower when the room
// offered is less.
class MaxWidthBin : public Gtk::Widget {
 public:
  explicit MaxWidthBin(int maxWidth);
  ~MaxWidthBin() override;
  void setChild(Gtk::Widget& child);

 protected:
  Gtk::SizeRequestMode get_request_mode_vfunc() const override;
  void measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                     int& minimumBaseline, int& naturalBaseline) const override;
  void size_allocate_vfunc(int width, int height, int baseline) override;

 private:
  int maxWidth_;
  Gtk::Widget* child_ = nullptr;
};

// The name a screen reader gives a widget.
void setAccessibleLabel(Gtk::Widget& widget, const char* label);

// A symbolic icon named by its system symbol name.
Gtk::Image* makeSymbol(std::string_view symbol);

}  // namespace kivari
