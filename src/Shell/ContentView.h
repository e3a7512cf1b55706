#pragma once

#include "Core/AppState.h"
#include "Core/Scheduler.h"
#include "Shell/CompactBarView.h"
#include "Shell/DesktopBackground.h"
#include "Shell/EscapeKeyMonitor.h"
#include "Shell/LayerPlan.h"
#include "Shell/PromptDesktopModel.h"
#include "Shell/PromptDesktopView.h"
#include "Shell/StatusRibbonView.h"

#include <gtkmm.h>

#include <map>
#include <memory>
#include <vector>

namespace kivari {

// The window's root: the gradient desktop, the layer of the current mode,
// the compact bar while a cell is open, and the status ribbon. Follows
// AppState; never sets the mode itself.
class ContentView : public Gtk::Overlay {
 public:
  ContentView(Gtk::Window& window, AppState& state, Scheduler& scheduler);
  ~ContentView() override;

  PromptDesktopView& promptDesktop() { return promptDesktop_; }
  CompactBarView& compactBar() { return compactBar_; }
  StatusRibbonView& ribbon() { return ribbon_; }
  const LayerPlan& plan() const { return plan_; }
  // Where the card and cell layers go (filled by the card and cell builders).
  Gtk::Overlay& layerArea() { return layerArea_; }

 private:
  void applyMode(bool animate);
  void setPresent(Gtk::Widget& layer, bool present, bool animate);

  AppState& state_;
  Scheduler& scheduler_;
  PromptDesktopModel promptModel_;
  LayerPlan plan_;

  DesktopBackground background_;
  Gtk::Box column_{Gtk::Orientation::VERTICAL, 0};
  Gtk::Overlay layerArea_;
  Gtk::Box layerBase_;
  PromptDesktopView promptDesktop_;
  Gtk::Box cardScrim_;
  Gtk::Box cellLayer_;
  CompactBarView compactBar_;
  StatusRibbonView ribbon_;
  std::unique_ptr<EscapeKeyMonitor> escape_;
  // Bumped at every show or hide, so a late hide never hides a layer shown again.
  std::map<Gtk::Widget*, unsigned> generations_;
  std::vector<sigc::connection> connections_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kivari
