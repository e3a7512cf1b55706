#include "Shell/KeyMonitor.h"

namespace kivari {

namespace {

bool isReturn(guint keyval) {
  return keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter || keyval == GDK_KEY_ISO_Enter;
}

Key keyOf(guint keyval) {
  if (keyval == GDK_KEY_Escape) return Key::escape;
  if (isReturn(keyval)) return Key::enter;
  switch (keyval) {
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
      return Key::space;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_KP_Tab:
    case GDK_KEY_Left:
    case GDK_KEY_Right:
    case GDK_KEY_Up:
    case GDK_KEY_Down:
    case GDK_KEY_KP_Left:
    case GDK_KEY_KP_Right:
    case GDK_KEY_KP_Up:
    case GDK_KEY_KP_Down:
      return Key::focusMove;
    default:
      return Key::other;
  }
}

// Return and Enter are one key to a card, as are the two Spaces.
guint heldKey(guint keyval) {
  if (isReturn(keyval)) return GDK_KEY_Return;
  if (keyval == GDK_KEY_KP_Space) return GDK_KEY_space;
  return keyval;
}

}  // namespace

KeyMonitor::KeyMonitor(Gtk::Window& window, State state, std::function<void(KeyAction)> act)
    : window_(window), controller_(Gtk::EventControllerKey::create()), state_(std::move(state)), act_(std::move(act)) {
  auto& controller = controller_;
  controller->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  controller->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType modifiers) {
        const Key key = keyOf(keyval);
        currentPress_ = 0;
        if (key == Key::enter || key == Key::space) {
          // A repeat, or a press whose release went elsewhere, keeps its number.
          auto [it, fresh] = held_.try_emplace(heldKey(keyval), 0);
          if (fresh) it->second = ++presses_;
          currentPress_ = it->second;
        }
        const bool control = (modifiers & Gdk::ModifierType::CONTROL_MASK) != Gdk::ModifierType{};
        const KeyAction action = keyAction(key, control, state_());
        currentPress_ = 0;
        if (action == KeyAction::none) return false;
        if (action == KeyAction::swallow) return true;
        act_(action);
        return action != KeyAction::focusMoved;
      },
      false);
  controller->signal_key_released().connect(
      [this](guint keyval, guint, Gdk::ModifierType) { held_.erase(heldKey(keyval)); });
  window.add_controller(controller);
  // A window closed through the window manager is destroyed before this
  // goes, and takes its controllers with it.
  windowDestroyed_ = window.signal_destroy().connect([this] { windowGone_ = true; });
  // A release the window never sees leaves no key held.
  activeChanged_ = window.property_is_active().signal_changed().connect([this] {
    if (!window_.is_active()) held_.clear();
  });
}

KeyMonitor::~KeyMonitor() {
  activeChanged_.disconnect();
  windowDestroyed_.disconnect();
  if (!windowGone_) window_.remove_controller(controller_);
}

}  // namespace kivari
