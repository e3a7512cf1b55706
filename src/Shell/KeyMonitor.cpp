#include "Shell/KeyMonitor.h"

namespace kivari {

KeyMonitor::KeyMonitor(Gtk::Window& window, State state, std::function<void(KeyAction)> act)
    : state_(std::move(state)), act_(std::move(act)) {
  auto controller = Gtk::EventControllerKey::create();
  controller->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  controller->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType modifiers) {
        const bool control = (modifiers & Gdk::ModifierType::CONTROL_MASK) != Gdk::ModifierType{};
        const Key key = keyval == GDK_KEY_Escape ? Key::escape
                        : (keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter || keyval == GDK_KEY_ISO_Enter) ? Key::enter
                                                                                   : Key::other;
        const KeyAction action = keyAction(key, control, state_());
        if (action == KeyAction::none) return false;
        act_(action);
        return true;
      },
      false);
  window.add_controller(controller);
}

}  // namespace kivari
