#pragma once

#include "Core/AppState.h"
#include "Core/Scheduler.h"
#include "Shell/CardGuard.h"
#include "Shell/CardViews.h"
#include "Shell/Cards.h"
#include "Shell/CellLayer.h"
#include "Shell/CompactBarView.h"
#include "Shell/DesktopBackground.h"
#include "Shell/KeyMonitor.h"
#include "Shell/LayerPlan.h"
#include "Shell/LayerStack.h"
#include "Shell/PromptDesktopModel.h"
#include "Shell/PromptDesktopView.h"
#include "Shell/RootOverlays.h"
#include "Shell/StatusRibbonView.h"

#include <gtkmm.h>

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
  // The consent of the card now shown, if any.
  const CardConsent* cardConsent() const { return consent_.get(); }
  // Banner, catalog and splash over everything else.
  RootOverlays& overlays() { return *overlays_; }

 private:
  void applyMode(bool animate);
  void setDesktopPresent(bool present, bool animate);
  void setCompactBarPresent(bool present, bool animate);
  void retire(std::unique_ptr<Gtk::Widget> layer, bool animate);
  std::unique_ptr<Gtk::Widget> buildCard();
  WindowKeyState keyState();
  // Whether the splash or the catalog lies over the layers.
  bool covered() const;
  void coverChanged();
  void followCatalog();
  // Makes what lies under the catalog, or under the card now shown, inert.
  void coverBeneath();

  AppState& state_;
  Scheduler& scheduler_;
  PromptDesktopModel promptModel_;
  LayerPlan plan_;

  DesktopBackground background_;
  Gtk::Box column_{Gtk::Orientation::VERTICAL, 0};
  LayerStack layerArea_;
  PromptDesktopView promptDesktop_;
  std::unique_ptr<Gtk::Widget> card_;
  // The capability card inside card_, while it is the one shown.
  CapabilityPromptView* capabilityCard_ = nullptr;
  // The button the card now shown gives the keyboard to, and its consent.
  Gtk::Widget* cardDefault_ = nullptr;
  std::shared_ptr<CardConsent> consent_;
  std::shared_ptr<CardGuard> cardGuard_;
  std::unique_ptr<FramedCell> cell_;
  // Bumped for every cell built: a close from an older cell finds it changed.
  unsigned cellGeneration_ = 0;
  std::vector<std::unique_ptr<Gtk::Widget>> leaving_;
  CompactBarView compactBar_;
  // Slides the bar in and out, so the layers above it move instead of jumping.
  Gtk::Revealer compactReveal_;
  // Runs on the revealer's frames: the bar is not yet on screen when it is
  // called in, and would skip its fade.
  Tween compactFade_{compactReveal_, kModeAnimationMs, easeInOut,
                     [this](double level) { compactBar_.set_opacity(level); }};
  StatusRibbonView ribbon_;
  std::unique_ptr<KeyMonitor> keys_;
  // Bumped at every show or hide of the desktop, so a late hide never hides it shown again.
  unsigned desktopGeneration_ = 0;
  std::vector<sigc::connection> connections_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::unique_ptr<RootOverlays> overlays_;
  bool catalogHasKeys_ = false;
  // A field's text and caret as they were when something came over it.
  struct FieldMark {
    Glib::ustring text;
    int caret = 0;
  };
  bool fieldsCovered_ = false;
  FieldMark promptMark_;
  FieldMark compactMark_;
  // Where the keyboard was when the catalog opened, while that widget lives.
  GWeakRef focusUnderCatalog_{};
};

}  // namespace kivari
