#include "Help/FlowView.h"

#include <algorithm>
#include <cmath>

namespace kivari {

namespace {

// A child's ideal size: its natural width, and its natural height at that width.
FlowLayout::Size idealSize(const Gtk::Widget& child) {
  int minimum = 0, natural = 0, b1 = 0, b2 = 0;
  child.measure(Gtk::Orientation::HORIZONTAL, -1, minimum, natural, b1, b2);
  const int width = natural;
  child.measure(Gtk::Orientation::VERTICAL, width, minimum, natural, b1, b2);
  return {static_cast<double>(width), static_cast<double>(natural)};
}

}  // namespace

Glib::RefPtr<FlowLayoutManager> FlowLayoutManager::create(double spacing) {
  return Glib::make_refptr_for_instance(new FlowLayoutManager(spacing));
}

FlowLayoutManager::FlowLayoutManager(double spacing)
    : Glib::ObjectBase("KivariFlowLayoutManager"), layout_(spacing) {}

Gtk::SizeRequestMode FlowLayoutManager::get_request_mode_vfunc(const Gtk::Widget&) const {
  return Gtk::SizeRequestMode::HEIGHT_FOR_WIDTH;
}

FlowLayout::Arrangement FlowLayoutManager::arrange(const Gtk::Widget& widget, double width) const {
  std::vector<FlowLayout::Size> sizes;
  for (const auto* c = widget.get_first_child(); c != nullptr; c = c->get_next_sibling()) {
    sizes.push_back(c->should_layout() ? idealSize(*c) : FlowLayout::Size{});
  }
  return layout_.arrange(width, sizes);
}

void FlowLayoutManager::measure_vfunc(const Gtk::Widget& widget, Gtk::Orientation orientation, int forSize,
                                      int& minimum, int& natural, int& minimumBaseline,
                                      int& naturalBaseline) const {
  minimumBaseline = naturalBaseline = -1;
  if (orientation == Gtk::Orientation::HORIZONTAL) {
    // Any width can be honoured: rows just wrap, and a child wider than the
    // room reaches past it. Naturally everything sits in one row.
    minimum = 0;
    natural = static_cast<int>(std::ceil(arrange(widget, FlowLayout::kOpenWidth).size.width));
    return;
  }
  const double width = forSize < 0 ? FlowLayout::kOpenWidth : forSize;
  minimum = natural = static_cast<int>(std::ceil(arrange(widget, width).size.height));
}

void FlowLayoutManager::allocate_vfunc(const Gtk::Widget& widget, int width, int, int) {
  const auto arrangement = arrange(widget, width);
  std::size_t i = 0;
  for (auto* c = const_cast<Gtk::Widget&>(widget).get_first_child(); c != nullptr;
       c = c->get_next_sibling(), ++i) {
    if (!c->should_layout()) continue;
    const auto size = idealSize(*c);
    const auto& at = arrangement.positions[i];
    c->size_allocate(Gtk::Allocation(static_cast<int>(at.x), static_cast<int>(at.y),
                                     static_cast<int>(size.width), static_cast<int>(size.height)),
                     -1);
  }
}

FlowView::FlowView(double spacing) : Glib::ObjectBase("KivariFlowView") {
  set_layout_manager(FlowLayoutManager::create(spacing));
}

FlowView::~FlowView() {
  if (gobj() == nullptr) return;
  while (auto* child = get_first_child()) child->unparent();
}

void FlowView::append(Gtk::Widget& child) { child.set_parent(*this); }

}  // namespace kivari
