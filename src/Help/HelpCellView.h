#pragma once

#include "Core/Scheduler.h"
#include "Help/FlowView.h"
#include "Help/HelpResponse.h"
#include "Help/HelpReveal.h"

#include <gtkmm.h>

#include <functional>
#include <string>
#include <vector>

namespace kivari {

// One help answer as a short chat: the question on the trailing side, the
// answer beside its symbol a moment later, then example chips one by one.
// A chip hands its text to `onTryExample`; the cell itself changes nothing
// outside.
class HelpCellView : public Gtk::Box {
 public:
  // `cellScheduler` is the cell's own: the reveal ends with the cell.
  HelpCellView(HelpResponse response, Scheduler& cellScheduler, std::function<void()> onDismiss,
               std::function<void(const std::string&)> onTryExample);

  const HelpReveal& reveal() const { return reveal_; }
  Gtk::Widget& answerRow() { return *answerRow_; }
  const std::vector<Gtk::Button*>& chips() const { return chips_; }

 private:
  void sync();

  HelpResponse response_;
  std::function<void(const std::string&)> onTryExample_;
  Gtk::Box* answerRow_ = nullptr;
  Gtk::Box* examples_ = nullptr;
  FlowView flow_{8};
  std::vector<Gtk::Button*> chips_;
  // Last, so it stops before the widgets it fills in go.
  HelpReveal reveal_;
};

}  // namespace kivari
