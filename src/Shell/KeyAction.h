#pragma once

namespace kivari {

// The keys the window itself answers to. `focusMove` is Tab or an arrow.
enum class Key { escape, enter, space, focusMove, other };

// What one key press does at the window level, before any widget sees it.
// `swallow` stops it there; `focusMoved` lets it through, noting that the
// user moved the focus on the card.
enum class KeyAction { none, dissolve, allow, deny, swallow, focusMoved };

// What the window shows when a key comes in.
struct WindowKeyState {
  bool cellOpen = false;
  bool capabilityCard = false;
  bool denyFocused = false;  // the card's Deny holds the keyboard focus
  bool dnaPicker = false;
  bool cardCovered = false;       // the splash or the catalog lies over the card
  bool focusBelowCover = false;   // the focus is on the card or under it, not on what covers it
  bool allowReady = true;         // the card has been seen long enough to be allowed
  bool focusMovedByUser = false;  // the card's focus is where the user put it, not where the card did
  bool pressedEarly = false;      // this Return or Space was pressed before the card could take it
};

// Esc dissolves an open cell whatever modifiers are held. On the capability
// card Control-Esc denies, and Return presses the focused button: Deny when
// it holds the focus, Allow otherwise, and then only once the card is ready.
// A card under the splash or the catalog takes no key. Space presses only a
// button the user moved the focus to, and a Return or Space pressed before
// the card was ready (and still held, or repeating) presses nothing on it.
// Everything else passes through.
KeyAction keyAction(Key key, bool control, const WindowKeyState& state);

}  // namespace kivari
