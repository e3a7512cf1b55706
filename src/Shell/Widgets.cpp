#include "Shell/Widgets.h"

#include "Shell/Icons.h"

#include <algorithm>

namespace kivari {

MaxWidthBin::MaxWidthBin(int maxWidth) : maxWidth_(maxWidth) {}

MaxWidthBin::~MaxWidthBin() {
  if (child_ != nullptr) child_->unparent();
}

void MaxWidthBin::setChild(Gtk::Widget& child) {
  if (child_ != nullptr) child_->unparent();
  child_ = &child;
  child.set_parent(*this);
}

Gtk::SizeRequestMode MaxWidthBin::get_request_mode_vfunc() const {
  return Gtk::SizeRequestMode::HEIGHT_FOR_WIDTH;
}

void MaxWidthBin::measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum,
                                int& natural, int& minimumBaseline, int& naturalBaseline) const {
  minimum = natural = 0;
  minimumBaseline = naturalBaseline = -1;
  if (child_ == nullptr) return;
  if (orientation == Gtk::Orientation::HORIZONTAL) {
    int childMin = 0, childNat = 0, b1 = 0, b2 = 0;
    child_->measure(orientation, forSize, childMin, childNat, b1, b2);
    minimum = std::min(childMin, maxWidth_);
    natural = maxWidth_;
  } else {
    const int width = forSize < 0 ? maxWidth_ : std::min(forSize, maxWidth_);
    int b1 = 0, b2 = 0;
    child_->measure(orientation, width, minimum, natural, b1, b2);
  }
}

void MaxWidthBin::size_allocate_vfunc(int width, int height, int baseline) {
  if (child_ == nullptr) return;
  const int childWidth = std::min(width, maxWidth_);
  Gtk::Allocation allocation((width - childWidth) / 2, 0, childWidth, height);
  child_->size_allocate(allocation, baseline);
}

void setAccessibleLabel(Gtk::Widget& widget, const char* label) {
  gtk_accessible_update_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, label,
                                 -1);
}

Gtk::Image* makeSymbol(std::string_view symbol) {
  auto* image = Gtk::make_managed<Gtk::Image>();
  image->set_from_icon_name(iconNameForSymbol(symbol));
  return image;
}

}  // namespace kivari
