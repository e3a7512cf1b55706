#pragma once

#include "Core/AppState.h"
#include "Core/Scheduler.h"
#include "Shell/QuietRelease.h"
#include "Shell/RootOverlays.h"

#include <gtkmm.h>

#include <memory>

namespace kivari {

class ContentView;

// The one window: fills the work area of its monitor, has no title bar and
// moves when its background is dragged.
class KivariWindow : public Gtk::ApplicationWindow {
 public:
  // Opens with the launch splash and its drone unless told otherwise.
  KivariWindow(AppState& state, Scheduler& scheduler, const LaunchOptions& launch = {.splash = true});
  ~KivariWindow() override;
  ContentView& content() { return *content_; }

 private:
  void fitToWorkArea();
  // Nothing that takes the pointer itself lies under this widget.
  static bool isBackground(Gtk::Widget* widget);
  std::unique_ptr<ContentView> content_;
};

// Starts Kivari: one AppState for the whole run, then the window.
class KivariDesktopApp {
 public:
  KivariDesktopApp();
  ~KivariDesktopApp();
  int run();
  // Ends run(): the window closes and run() returns.
  void quit();

 private:
  Glib::RefPtr<Gtk::Application> application_;
  std::unique_ptr<AppState> state_;
  MainLoopScheduler scheduler_;
  std::unique_ptr<KivariWindow> window_;
  QuietRelease memoryRelease_;
};

}  // namespace kivari
