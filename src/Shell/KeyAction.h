#pragma once

namespace kivari {

// The keys the window itself answers to.
enum class Key { escape, enter, other };

// What one key press does at the window level, before any widget sees it.
enum class KeyAction { none, dissolve, allow, deny };

// Esc dissolves an open cell whatever modifiers are held; on the capability
// card Return allows and Control-Esc denies. Everything else passes through.
KeyAction keyAction(Key key, bool control, bool cellOpen, bool capabilityCardShown);

}  // namespace kivari
