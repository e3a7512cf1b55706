#pragma once

#include "Ui/Widgets.h"

#include <gtkmm.h>

#include <memory>
#include <vector>

namespace kivari {

// The layer area of the root view. Every layer fills it, later layers over
// earlier ones; a layer fades in and out while scaling about its centre
// from a factor of its own, over the mode animation.
class LayerStack : public Gtk::Widget {
 public:
  LayerStack();
  ~LayerStack() override;

  // Puts a layer on top, shown at once or faded in from nothing.
  void add(Gtk::Widget& layer, double entryScale, bool animate);
  void remove(Gtk::Widget& layer);
  // Fades a layer in or out; it stays in the stack either way.
  void fade(Gtk::Widget& layer, bool in, bool animate);
  bool contains(const Gtk::Widget& layer) const;

 protected:
  void measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                     int& minimumBaseline, int& naturalBaseline) const override;
  void size_allocate_vfunc(int width, int height, int baseline) override;

 private:
  struct Layer {
    Gtk::Widget* widget;
    double entryScale;
    double level = 1;  // 0 gone, 1 in place
    std::unique_ptr<Tween> motion;
  };
  Layer* find(const Gtk::Widget& layer) const;
  std::vector<std::unique_ptr<Layer>> layers_;
};

}  // namespace kivari
