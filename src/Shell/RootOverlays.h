#pragma once

#include "Core/AppState.h"
#include "Core/Scheduler.h"
#include "Help/CellCatalogView.h"
#include "Shell/AmbientAudio.h"
#include "Shell/SecurityAlertView.h"
#include "Shell/SplashView.h"

#include <gtkmm.h>

#include <memory>
#include <vector>

namespace kivari {

// What the root view starts with. The application asks for the splash with
// its drone; left alone, the root view opens on the bare desktop.
struct LaunchOptions {
  bool splash = false;
  DroneOutputFactory droneOutput = nullptr;  // none: GStreamer's automatic audio sink
};

// The root view's overlays, back to front: the security banner, the cell
// catalog while AppState's catalog flag is set, and the launch splash until
// it completes. Also owns the ambient drone that plays under the splash:
// started when the root is first shown (unless the splash has completed by
// the time its sound output is open), faded out when the splash completes.
class RootOverlays {
 public:
  RootOverlays(Gtk::Overlay& root, AppState& state, Scheduler& scheduler, const LaunchOptions& options);
  ~RootOverlays();
  RootOverlays(const RootOverlays&) = delete;
  RootOverlays& operator=(const RootOverlays&) = delete;

  SecurityAlertView& banner() { return banner_; }
  // The catalog panel now shown, if any (one fading away is not counted).
  CellCatalogView* catalog() { return catalog_ ? catalog_->panel.get() : nullptr; }
  SplashView* splash() { return splash_.get(); }
  AmbientAudio* drone() { return drone_.get(); }
  // Whether the splash or the catalog lies over the layers beneath, and
  // a signal when that changes.
  bool covers() const { return splash_ || catalog_; }
  sigc::signal<void()>& signalCoverChanged() { return coverChanged_; }

 private:
  // The scrim with the panel centred over it.
  struct CatalogLayer {
    ~CatalogLayer() {
      if (panel) layer.remove_overlay(*panel);
    }
    Gtk::Overlay layer;
    Gtk::Box scrim;
    std::unique_ptr<CellCatalogView> panel;
  };
  void showCatalog(bool show);
  void splashCompleted();
  void openDrone();
  void droneOpened(std::shared_ptr<DroneOutput> output);

  Gtk::Overlay& root_;
  AppState& state_;
  Scheduler& scheduler_;
  DroneOutputFactory droneOutput_;
  SecurityAlertView banner_;
  std::unique_ptr<CatalogLayer> catalog_;
  std::vector<std::unique_ptr<CatalogLayer>> leaving_;
  std::unique_ptr<SplashView> splash_;
  std::unique_ptr<AmbientAudio> drone_;
  ScopedScheduler steps_;
  sigc::signal<void()> coverChanged_;
  sigc::connection catalogChanged_;
  sigc::connection firstShown_;
  // Cleared when this goes, for a drone output that is opened after that.
  std::shared_ptr<RootOverlays*> self_ = std::make_shared<RootOverlays*>(this);
};

}  // namespace kivari
