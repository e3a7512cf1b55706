#pragma once

#include "Ui/Widgets.h"

#include <gtkmm.h>

#include <functional>
#include <string>
#include <vector>

namespace kivari {

// The cell catalog panel: a fixed 540-by-600 card listing every section and
// example request. Choosing an entry hands its prompt to `onSelectPrompt`;
// the close button calls `onDismiss`. It changes nothing itself.
class CellCatalogView : public Gtk::Widget {
 public:
  static constexpr int kWidth = 540;
  static constexpr int kHeight = 600;

  CellCatalogView(std::function<void(const std::string&)> onSelectPrompt, std::function<void()> onDismiss);
  ~CellCatalogView() override;

  // What lies behind the card, back to front, seen blurred through it.
  void setBackdrop(const std::vector<Gtk::Widget*>& widgets) { surface_.setBackdrop(widgets); }

  Gtk::Button& closeButton() { return close_; }
  // One button per entry, in table order.
  const std::vector<Gtk::Button*>& entryButtons() const { return entries_; }

 protected:
  Gtk::SizeRequestMode get_request_mode_vfunc() const override;
  void measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                     int& minimumBaseline, int& naturalBaseline) const override;
  void size_allocate_vfunc(int width, int height, int baseline) override;

 private:
  Gtk::Widget* header();
  Gtk::Widget* intro();
  Gtk::Widget* sectionView(std::size_t index);

  std::function<void(const std::string&)> onSelectPrompt_;
  std::function<void()> onDismiss_;
  Gtk::Box panel_{Gtk::Orientation::VERTICAL, 0};
  // After the panel it holds, so that it lets the panel go first.
  FrostedSurface surface_{18};
  Gtk::Button close_;
  std::vector<Gtk::Button*> entries_;
};

}  // namespace kivari
