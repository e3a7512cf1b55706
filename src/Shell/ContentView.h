#pragma once

#include "Core/AppState.h"
#include "Core/Scheduler.h"
#include "Shell/CellLayer.h"
#include "Shell/CompactBarView.h"
#include "Shell/DesktopBackground.h"
#include "Shell/KeyMonitor.h"
#include "Shell/LayerPlan.h"
#include "Shell/PromptDesktopModel.h"
#include "Shell/PromptDesktopView.h"
#include "Shell/RootOverlays.h"
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
  ContentView(Gtk::Window& window, AppState& state, Scheduler& scheduler, const LaunchOptions& launch = {});
  ~ContentView() override;

  PromptDesktopView& promptDesktop() { return promptDesktop_; }
  CompactBarView& compactBar() { return compactBar_; }
  StatusRibbonView& ribbon() { return ribbon_; }
  const LayerPlan& plan() const { return plan_; }
  // The card or cell now shown, if any (leaving layers are not counted).
  Gtk::Widget* cardLayer() { return card_.get(); }
  Gtk::Widget* cellLayer() { return cell_.get(); }
  // Banner, catalog and splash over everything else.
  RootOverlays& overlays() { return *overlays_; }

 private:
  void applyMode(bool animate);
  void setPresent(Gtk::Widget& layer, bool present, bool animate);
  void enter(Gtk::Widget& layer, bool animate);
  void retire(std::unique_ptr<Gtk::Widget> layer, bool animate);
  std::unique_ptr<Gtk::Widget> buildCard();

  AppState& state_;
  Scheduler& scheduler_;
  PromptDesktopModel promptModel_;
  LayerPlan plan_;

  DesktopBackground background_;
  Gtk::Box column_{Gtk::Orientation::VERTICAL, 0};
  Gtk::Overlay layerArea_;
  Gtk::Box layerBase_;
  PromptDesktopView promptDesktop_;
  std::unique_ptr<Gtk::Widget> card_;
  std::unique_ptr<FramedCell> cell_;
  // Bumped for every cell built: a close from an older cell finds it changed.
  unsigned cellGeneration_ = 0;
  std::vector<std::unique_ptr<Gtk::Widget>> leaving_;
  CompactBarView compactBar_;
  StatusRibbonView ribbon_;
  std::unique_ptr<KeyMonitor> keys_;
  // Bumped at every show or hide, so a late hide never hides a layer shown again.
  std::map<Gtk::Widget*, unsigned> generations_;
  std::vector<sigc::connection> connections_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::unique_ptr<RootOverlays> overlays_;
};

}  // namespace kivari
