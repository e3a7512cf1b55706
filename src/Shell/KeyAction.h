#pragma once

namespace kivari {

// The keys the window itself answers to.
enum class Key { escape, enter, other };

// What one key press does at the window level, before any widget sees it.
enum class KeyAction { none, dissolve, allow, deny };

// What the window shows when a key comes in.
struct WindowKeyState {
  bool cellOpen = false;
  bool capabilityCard = false;
  bool denyFocused = false;  // the card's Deny holds the keyboard focus
};

// Esc dissolves an open cell whatever modifiers are held. On the capability
// card Control-Esc denies, and Return presses the focused button: Deny when
// it holds the focus, Allow otherwise. Everything else passes through.
KeyAction keyAction(Key key, bool control, const WindowKeyState& state);

}  // namespace kivari
