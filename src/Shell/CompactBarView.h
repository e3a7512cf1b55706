#pragma once

#include "Core/AppState.h"

#include <gtkmm.h>

#include <vector>

namespace kivari {

// The thin strip under an open cell: type the next request, or dissolve.
class CompactBarView : public Gtk::Box {
 public:
  explicit CompactBarView(AppState& state);
  ~CompactBarView() override;

  Gtk::Entry& field() { return field_; }
  Gtk::Button& dissolveButton() { return dissolve_; }

 private:
  AppState& state_;
  bool syncing_ = false;
  Gtk::Entry field_;
  Gtk::Button dissolve_;
  std::vector<sigc::connection> connections_;
};

}  // namespace kivari
