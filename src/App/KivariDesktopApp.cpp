#include "App/KivariDesktopApp.h"

#include "App/DefaultServices.h"
#include "Manifests/ResourceLocator.h"
#include "Shell/ContentView.h"
#include "Ui/Style.h"

#include <gdk/x11/gdkx.h>
#include <malloc.h>

namespace kivari {

KivariWindow::KivariWindow(AppState& state, Scheduler& scheduler, const LaunchOptions& launch) {
  set_title("Kivari");
  set_decorated(false);
  add_css_class("kivari");
  content_ = std::make_unique<ContentView>(*this, state, scheduler, launch);
  set_child(*content_);

  // Dragging the empty desktop moves the window; presses on controls, and
  // plain clicks anywhere, are left alone.
  auto drag = Gtk::GestureDrag::create();
  drag->set_button(GDK_BUTTON_PRIMARY);
  drag->signal_drag_update().connect([this, g = drag.get()](double dx, double dy) {
    if (dx * dx + dy * dy < 16) return;
    double x = 0, y = 0;
    if (!g->get_start_point(x, y) || !isBackground(pick(x, y))) return;
    g->set_state(Gtk::EventSequenceState::CLAIMED);
    auto surface = get_surface();
    auto device = g->get_current_event_device();
    if (!surface || !device || !GDK_IS_TOPLEVEL(surface->gobj())) return;
    gdk_toplevel_begin_move(GDK_TOPLEVEL(surface->gobj()), device->gobj(),
                            static_cast<int>(g->get_current_button()), x + dx, y + dy,
                            g->get_current_event_time());
    g->reset();
  });
  add_controller(drag);
  fitToWorkArea();
}

KivariWindow::~KivariWindow() {
  // The content leaves the window, stopping every move under way, while all
  // it holds is there; a window closed through the window manager has gone already.
  if (gobj() != nullptr) unset_child();
}

bool KivariWindow::isBackground(Gtk::Widget* widget) {
  for (; widget != nullptr; widget = widget->get_parent()) {
    if (dynamic_cast<Gtk::Button*>(widget) || dynamic_cast<Gtk::Editable*>(widget) ||
        dynamic_cast<Gtk::Scrollbar*>(widget) || g_type_name(G_OBJECT_TYPE(widget->gobj())) ==
                                                       std::string_view("WebKitWebView")) {
      return false;
    }
  }
  return true;
}

void KivariWindow::fitToWorkArea() {
  auto display = Gdk::Display::get_default();
  if (!display) return;
  GdkDisplay* raw = display->gobj();
  if (GDK_IS_X11_DISPLAY(raw)) {
    GdkMonitor* monitor = gdk_x11_display_get_primary_monitor(raw);
    if (monitor == nullptr) {
      auto monitors = display->get_monitors();
      if (monitors->get_n_items() > 0) {
        monitor = GDK_MONITOR(g_list_model_get_item(monitors->gobj(), 0));
        g_object_unref(monitor);  // the list keeps it alive
      }
    }
    if (monitor != nullptr) {
      GdkRectangle area;
      gdk_x11_monitor_get_workarea(monitor, &area);
      set_default_size(area.width, area.height);
      signal_realize().connect([this, area] {
        auto surface = get_surface();
        if (surface && GDK_IS_X11_SURFACE(surface->gobj())) {
          XMoveWindow(gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface->gobj())),
                      gdk_x11_surface_get_xid(surface->gobj()), area.x, area.y);
        }
      });
      return;
    }
  }
  // Elsewhere the compositor knows the work area; a maximised window fills it.
  maximize();
}

KivariDesktopApp::KivariDesktopApp()
    : application_(Gtk::Application::create("org.kivari.Desktop",
                                            Gio::Application::Flags::NON_UNIQUE)),
      // Image buffers the size of the window come and go with every fade;
      // freed, the allocator keeps them. Two still seconds hand them back.
      memoryRelease_(scheduler_, std::chrono::seconds(2), [] { malloc_trim(0); }) {
  // Manifests are read before the window exists.
  state_ = std::make_unique<AppState>(std::make_unique<ManifestRegistry>(), makeDefaultServices());
  application_->signal_activate().connect([this] {
    installStyle();
    if (auto folder = applicationResourceFolder()) {
      Gtk::IconTheme::get_for_display(Gdk::Display::get_default())
          ->add_search_path((*folder / "icons").string());
    }
    window_ = std::make_unique<KivariWindow>(*state_, scheduler_);
    application_->add_window(*window_);
    window_->present();
    if (auto clock = window_->get_frame_clock()) {
      clock->signal_paint().connect([this] { memoryRelease_.painted(); });
    }
  });
}

KivariDesktopApp::~KivariDesktopApp() {
  window_.reset();
}

int KivariDesktopApp::run() {
  // No options are read from the command line.
  return application_->run(0, nullptr);
}

void KivariDesktopApp::quit() { application_->quit(); }

}  // namespace kivari
