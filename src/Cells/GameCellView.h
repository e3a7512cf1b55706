#pragma once

#include "Cells/CellWebView.h"
#include "Cells/DissolvingCell.h"
#include "Cells/GameCell.h"
#include "Core/Scheduler.h"
#include "Ui/CellFrame.h"
#include "Ui/Widgets.h"

#include <gtkmm.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace kivari {

// The game cell: whatever game was asked for, a panel of four steps ticks off
// on the cell's scheduler, then the built-in match-three page cross-fades in,
// in a web view whose data lives only in memory and that gets no file
// chooser. The game's name is shown only as plain label text; the page
// never sees it.
//
// Starting a web process takes longer than the fade, so the page is made and
// loaded, unseen and out of reach, behind the panel once the first step is
// done; at 4.1 s it is ready to play as it fades in.
class GameCellView : public Gtk::Box, public DissolvingCell {
 public:
  GameCellView(const std::string& gameName, std::function<void()> onDismiss, Scheduler& scheduler);
  ~GameCellView() override;

  void cellDissolving() override;

  const MaterializationSequence& sequence() const { return sequence_; }
  CellHeader& header() { return header_; }
  // None until the first step is done.
  WebKitWebView* webView() const { return web_ ? web_->view() : nullptr; }
  // True once the page has begun to fade in.
  bool isShowingPage() const { return pageShown_; }

 private:
  class StepRow;

  void buildPanel(const std::string& backbone);
  void showSequence();
  void makePage();

  CellHeader header_;
  Gtk::Separator divider_{Gtk::Orientation::HORIZONTAL};
  Gtk::Overlay content_;
  Gtk::Box panel_{Gtk::Orientation::VERTICAL, 24};
  // The bin's child first: members go in reverse order, and a bin unparents its child.
  Gtk::Box steps_{Gtk::Orientation::VERTICAL, 14};
  MaxWidthBin stepsBin_{400};
  Gtk::Box page_{Gtk::Orientation::VERTICAL, 0};
  std::array<StepRow*, MaterializationSequence::kStepCount> rows_{};
  std::unique_ptr<CellWebView> web_;
  bool pageShown_ = false;
  MaterializationSequence sequence_;  // last: its steps never outlive what they touch
};

}  // namespace kivari
