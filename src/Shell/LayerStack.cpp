#include "Shell/LayerStack.h"

#include "Shell/LayerPlan.h"

#include <algorithm>

namespace kivari {

LayerStack::LayerStack() {
  readAsGroup(*this);
  set_hexpand(true);
  set_vexpand(true);
}

LayerStack::~LayerStack() {
  for (auto& layer : layers_) {
    layer->motion.reset();
    layer->widget->unparent();
  }
}

LayerStack::Layer* LayerStack::find(const Gtk::Widget& layer) const {
  for (const auto& l : layers_) {
    if (l->widget == &layer) return l.get();
  }
  return nullptr;
}

bool LayerStack::contains(const Gtk::Widget& layer) const { return find(layer) != nullptr; }

void LayerStack::add(Gtk::Widget& layer, double entryScale, bool animate) {
  if (contains(layer)) return;
  auto entry = std::make_unique<Layer>();
  Layer* raw = entry.get();
  raw->widget = &layer;
  raw->entryScale = entryScale;
  raw->motion = std::make_unique<Tween>(*this, kModeAnimationMs, easeInOut, [this, raw](double level) {
    raw->level = level;
    raw->widget->set_opacity(level);
    queue_allocate();
  });
  layers_.push_back(std::move(entry));
  layer.set_parent(*this);
  raw->motion->to(animate ? 0 : 1, false);
  if (animate) raw->motion->to(1);
}

void LayerStack::remove(Gtk::Widget& layer) {
  const auto it = std::find_if(layers_.begin(), layers_.end(),
                               [&](const auto& l) { return l->widget == &layer; });
  if (it == layers_.end()) return;
  (*it)->motion.reset();
  layer.unparent();
  layer.set_opacity(1);
  layers_.erase(it);
}

void LayerStack::fade(Gtk::Widget& layer, bool in, bool animate) {
  if (Layer* l = find(layer)) l->motion->to(in ? 1 : 0, animate);
}

void LayerStack::measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                               int& minimumBaseline, int& naturalBaseline) const {
  minimum = natural = 0;
  minimumBaseline = naturalBaseline = -1;
  for (const auto& l : layers_) {
    if (!l->widget->get_visible()) continue;
    int childMin = 0, childNat = 0, b1 = 0, b2 = 0;
    l->widget->measure(orientation, forSize, childMin, childNat, b1, b2);
    minimum = std::max(minimum, childMin);
    natural = std::max(natural, childNat);
  }
}

void LayerStack::size_allocate_vfunc(int width, int height, int baseline) {
  for (const auto& l : layers_) {
    if (!l->widget->get_visible()) continue;
    const float scale = static_cast<float>(l->entryScale + (1 - l->entryScale) * l->level);
    GskTransform* transform = nullptr;
    if (scale != 1) {
      // About the centre of the area.
      const graphene_point_t centre = GRAPHENE_POINT_INIT(width / 2.0f, height / 2.0f);
      const graphene_point_t back = GRAPHENE_POINT_INIT(-width / 2.0f, -height / 2.0f);
      transform = gsk_transform_translate(nullptr, &centre);
      transform = gsk_transform_scale(transform, scale, scale);
      transform = gsk_transform_translate(transform, &back);
    }
    gtk_widget_allocate(l->widget->gobj(), width, height, baseline, transform);
  }
}

}  // namespace kivari
