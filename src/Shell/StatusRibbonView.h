#pragma once

#include "Core/StatusMessage.h"

#include <gtkmm.h>

#include <vector>

namespace kivari {

// The strip along the bottom: one pill per status line, newest scrolled into view.
class StatusRibbonView : public Gtk::ScrolledWindow {
 public:
  StatusRibbonView();
  // Shows every message not shown yet; lines are only ever appended.
  void update(const std::vector<StatusMessage>& messages);
  std::size_t pillCount() const { return shown_; }

 private:
  void scrollToNewest();

  Gtk::Box row_{Gtk::Orientation::HORIZONTAL, 4};
  std::size_t shown_ = 0;
  bool scrollPending_ = false;
};

}  // namespace kivari
