#include "Shell/EscapeKeyMonitor.h"

namespace kivari {

bool escapeKeyConsumes(unsigned keyval, bool enabled) { return enabled && keyval == GDK_KEY_Escape; }

EscapeKeyMonitor::EscapeKeyMonitor(Gtk::Window& window, std::function<bool()> enabled,
                                   std::function<void()> action)
    : enabled_(std::move(enabled)), action_(std::move(action)) {
  auto controller = Gtk::EventControllerKey::create();
  controller->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  controller->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType) {
        if (!escapeKeyConsumes(keyval, enabled_())) return false;
        action_();
        return true;
      },
      false);
  window.add_controller(controller);
}

}  // namespace kivari
