#include "Ui/Style.h"

#include "Ui/Palette.h"

#include <gtkmm.h>

#include <string>

namespace kivari {

namespace {

std::string pillRules(const char* type, StatusMessage::MessageType kind) {
  const Rgba text = ribbonTextColor(kind);
  const Rgba dot = ribbonDotColor(kind);
  // The dot is painted by the pill's own background, so a line is one widget.
  return std::string(".ribbon-pill.") + type + " { color: " + text.css() + "; background-image: " +
         "radial-gradient(circle closest-side, " + dot.css() + " 80%, transparent 100%), " +
         "linear-gradient(" + text.withAlpha(0.08).css() + ", " + text.withAlpha(0.08).css() + "); }\n";
}

const char* kStyle = R"CSS(
window.kivari { background-color: #050509; color: white; }
window.kivari * { outline-color: rgba(255,255,255,0.25); }

.scrim { background-color: rgba(0,0,0,0.25); }

.clock-time { font-size: 76px; font-weight: 100; color: rgba(255,255,255,0.9); }
.clock-date { font-size: 16px; font-weight: 300; color: rgba(255,255,255,0.45); }
.question { font-size: 22px; font-weight: 300; color: rgba(255,255,255,0.5); }

.prompt-bar {
  padding: 14px 20px; border-radius: 14px;
  background-color: rgba(255,255,255,0.10);
  box-shadow: inset 0 0 0 1px rgba(255,255,255,0.1);
}
.prompt-bar .sparkle { color: rgba(255,255,255,0.3); -gtk-icon-size: 14px; }
.prompt-bar entry, .compact-bar entry {
  background: none; border: none; box-shadow: none; padding: 0; min-height: 0;
  color: white; caret-color: white; font-family: monospace; outline: none;
}
.prompt-bar entry, .prompt-bar .placeholder { font-size: 18px; }
.prompt-bar .placeholder { font-family: monospace; color: rgba(255,255,255,0.3); }
.prompt-bar entry text placeholder, .compact-bar entry text placeholder { color: rgba(255,255,255,0.3); }
/* Selected text stays readable: white on a solid blue, well over 4.5:1. */
window.kivari text selection, window.kivari text selection:focus-within { background-color: #2a5db0; color: white; }
.prompt-bar spinner { color: white; }

.suggestions {
  border-radius: 12px; background-color: rgba(12,12,20,0.82);
  box-shadow: inset 0 0 0 1px rgba(255,255,255,0.08);
}
.suggestion-row { min-height: 0; padding: 10px 20px; background: none; border: none; box-shadow: none; border-radius: 0; }
.suggestion-row:hover { background-color: rgba(255,255,255,0.06); }
.suggestion-label { font-size: 14px; font-weight: 500; color: white; }
.proto-tag {
  font-size: 11px; font-family: monospace; color: rgba(255,255,255,0.4);
  padding: 3px 8px; border-radius: 999px; background-color: rgba(255,255,255,0.08);
}

.catalog-button, .dissolve-button, .suggestion-row { background-image: none; text-shadow: none; -gtk-icon-shadow: none; }
.catalog-button {
  min-height: 0; min-width: 0; padding: 8px 12px; border-radius: 999px; background-color: rgba(255,255,255,0.06);
  box-shadow: inset 0 0 0 1px rgba(255,255,255,0.08); border: none;
  color: rgba(255,255,255,0.4); font-size: 12px; font-weight: 500;
}
.catalog-button image { -gtk-icon-size: 12px; }
.catalog-button:hover { background-color: rgba(255,255,255,0.10); }

.compact-bar { padding: 8px 20px; background-color: rgba(255,255,255,0.07); }
.compact-bar .sparkle { color: rgba(255,255,255,0.2); -gtk-icon-size: 11px; }
.compact-bar entry { font-size: 13px; }
.dissolve-button {
  padding: 5px 10px; border-radius: 999px; background-color: rgba(255,255,255,0.08);
  border: none; box-shadow: none; color: rgba(255,255,255,0.5); font-size: 11px; font-weight: 500;
  min-height: 0;
}
.dissolve-button image { -gtk-icon-size: 10px; }
.dissolve-button:hover { background-color: rgba(255,255,255,0.14); }

/* Cards: a frosted panel (drawn by the surface itself) with a soft shadow over the dimmed desktop. */
.card-surface { border-radius: 16px; box-shadow: 0 10px 30px rgba(0,0,0,0.4); }
.card-close {
  background: none; border: none; box-shadow: none; padding: 0; min-height: 0; min-width: 0;
  color: rgba(255,255,255,0.55);
}
.card-close image { -gtk-icon-size: 20px; }
.card-surface button:focus-visible { outline: 2px solid rgba(255,255,255,0.7); outline-offset: 2px; }
.card-close:hover { color: rgba(255,255,255,0.8); }
.capability-card { padding: 32px; }
.card-shield { -gtk-icon-size: 36px; }
.card-title { font-size: 22px; font-weight: 700; color: white; }
.card-description { font-size: 13px; color: rgba(255,255,255,0.6); }
.card-badge { font-size: 11px; }
.card-badge image { -gtk-icon-size: 11px; }
.card-empty { font-size: 13px; color: rgba(255,255,255,0.35); }
.card-heading { font-size: 14px; font-weight: 700; color: white; }
.card-caption { font-size: 11px; color: rgba(255,255,255,0.55); }
.capability-list { padding: 12px; border-radius: 8px; background-color: rgba(255,255,255,0.05); }
.capability-list .dim { color: rgba(255,255,255,0.55); }
.capability-name { font-size: 13px; font-weight: 700; color: white; }
.capability-why { font-size: 11px; color: rgba(255,255,255,0.55); }
.card-deny, .card-allow { padding: 6px 18px; border-radius: 8px; min-height: 0; }
.card-deny { background-image: none; background-color: rgba(255,255,255,0.10); color: white; border: none; box-shadow: none; }
.card-allow { background-image: none; background-color: #0a84ff; color: white; border: none; box-shadow: none; }
.card-allow:hover { background-color: #3b9bff; }
.card-deny:hover { background-color: rgba(255,255,255,0.16); }

.dna-card { padding: 24px; }
.dna-card-icon { -gtk-icon-size: 22px; color: rgb(100,210,255); }
.dna-row {
  padding: 14px; border-radius: 12px; background-image: none; background-color: rgba(255,255,255,0.04);
  box-shadow: inset 0 0 0 1px rgba(255,255,255,0.08); border: none;
}
.dna-row:hover { background-color: rgba(255,255,255,0.08); }
.dna-row-icon { -gtk-icon-size: 22px; }
.dna-name { font-size: 15px; font-weight: 600; color: white; }
.dna-label { font-size: 12px; color: rgba(255,255,255,0.55); }
.dna-sso { font-size: 10px; color: rgba(48,209,88,0.7); }
.dna-card .proto-tag { font-size: 10px; padding: 3px 8px; background-color: rgba(255,255,255,0.06); }
.dna-footer { color: rgba(255,255,255,0.3); font-size: 10px; }
.dna-footer image { -gtk-icon-size: 10px; }

/* The cell frame. */
.cell-header { padding: 10px 12px; background-color: rgba(255,255,255,0.05); }
.cell-title { font-size: 14px; font-weight: 700; color: white; }
.cell-tag {
  font-size: 10px; font-family: monospace; color: rgba(255,255,255,0.55);
  padding: 3px 8px; border-radius: 999px; background-color: rgba(255,255,255,0.06);
}
.cell-close { background: none; border: none; box-shadow: none; padding: 2px; min-height: 0; min-width: 0; color: rgba(255,255,255,0.55); }
.cell-close:hover { color: rgba(255,255,255,0.85); }
.cell-membrane separator { background-color: rgba(255,255,255,0.08); min-height: 1px; }

.ribbon { min-height: 28px; background-color: rgba(0,0,0,0.45); }
.ribbon-row { padding: 0 16px; }
.ribbon-pill {
  padding: 3px 8px 3px 17px; border-radius: 999px;
  font-size: 11px; font-weight: 500; font-family: monospace;
  background-repeat: no-repeat, no-repeat; background-size: 5px 5px, auto;
  background-position: 8px center, center;
}

/* ---- Cells (src/Cells) ---- */
/* Timer, weather and music cells, and what simple cells share. */
.cell-footer { font-size: 10px; color: rgba(255,255,255,0.25); }
.cell-secondary { font-size: 13px; color: rgba(255,255,255,0.55); }
.cell-button {
  padding: 4px 14px; min-height: 0; border-radius: 6px; font-size: 13px; color: white;
  background-image: none; background-color: rgba(255,255,255,0.10);
  border: 1px solid rgba(255,255,255,0.14); box-shadow: none; text-shadow: none;
}
.cell-button:hover { background-color: rgba(255,255,255,0.16); }
.timer-time { font-size: 48px; font-weight: 100; font-feature-settings: "tnum"; color: white; }
.timer-done { font-size: 12px; color: rgb(48,209,88); }
.weather-spinner { min-width: 24px; min-height: 24px; color: rgba(255,255,255,0.7); }
.weather-emoji { font-size: 72px; font-family: "Noto Color Emoji", sans-serif; }
.weather-temperature { font-size: 64px; font-weight: 100; color: white; }
.weather-condition { font-size: 20px; color: rgba(255,255,255,0.55); }
.weather-location { font-size: 12px; color: rgba(255,255,255,0.35); }
.weather-stat-value { font-size: 14px; font-weight: 700; color: white; }
.weather-stat-label { font-size: 10px; color: rgba(255,255,255,0.55); }
.music-artwork { border-radius: 16px; }
.music-artwork image { color: rgba(255,255,255,0.5); }
.music-title { font-size: 14px; font-weight: 700; color: white; }
.music-artist { font-size: 12px; color: rgba(255,255,255,0.55); }
.music-position trough, .music-position progress { min-height: 4px; border-radius: 999px; border: none; box-shadow: none; }
.music-position trough { background-color: rgba(255,255,255,0.1); }
.music-position progress { background-image: none; background-color: rgb(255,55,95); margin: 0; min-width: 0; }
.music-time { font-size: 10px; color: rgba(255,255,255,0.55); }
.music-button {
  background: none; border: none; box-shadow: none; padding: 0; min-width: 0; min-height: 0;
  color: white; -gtk-icon-shadow: none;
}
.music-button:hover { color: rgba(255,255,255,0.8); }
.music-skip image { -gtk-icon-size: 20px; }

.browser-toolbar { padding: 8px 12px; background-color: rgba(255,255,255,0.07); }
.browser-toolbar button {
  padding: 2px; min-width: 0; min-height: 0; background: none; border: none; box-shadow: none;
  color: white; text-shadow: none; -gtk-icon-shadow: none;
}
.browser-toolbar button:disabled { color: rgba(255,255,255,0.25); }
.browser-toolbar button.browser-close { color: rgba(255,255,255,0.55); }
.browser-address {
  font-family: monospace; font-size: 13px; padding: 4px 8px; min-height: 0;
  border-radius: 6px; border: none; box-shadow: none; outline: none;
  background-color: rgba(255,255,255,0.05); color: white; caret-color: white;
}
.browser-address text placeholder { color: rgba(255,255,255,0.3); }

/* ---- Help cell (src/Help) ---- */
.help-bubble {
  font-size: 15px; color: white; padding: 10px 16px; border-radius: 18px;
  background-color: rgba(10,132,255,0.5);
}
.help-answer, .help-examples { transition: opacity 300ms ease-out, transform 300ms ease-out; }
.help-answer.entering { opacity: 0; transform: translateY(16px); }
.help-examples.entering { opacity: 0; }
.help-icon { min-width: 32px; min-height: 32px; border-radius: 999px; -gtk-icon-size: 20px; }
.help-answer-text { font-size: 14px; color: rgba(255,255,255,0.9); line-height: 1.45; }
.help-try { font-size: 12px; font-weight: 600; color: rgba(255,255,255,0.5); }
/* A spring with a little bounce. */
.help-chip {
  font-size: 13px; color: white; padding: 8px 14px; min-height: 0; border-radius: 20px; border: none;
  background-image: none; background-color: rgba(255,255,255,0.08);
  box-shadow: inset 0 0 0 1px rgba(255,255,255,0.1); text-shadow: none;
  transition: opacity 350ms ease-out, transform 350ms cubic-bezier(0.34, 1.25, 0.64, 1);
}
.help-chip:hover { background-color: rgba(255,255,255,0.14); }
.help-chip.entering { opacity: 0; transform: scale(0.00001); }

/* The game's panel cross-fades to its page. */
.game-page { opacity: 0; transition: opacity 400ms ease-in-out; }
.game-page.shown { opacity: 1; }
.game-panel { transition: opacity 400ms ease-in-out; }
.game-panel.gone { opacity: 0; }
.game-title { font-size: 22px; font-weight: 300; color: white; }
.game-step label { transition: color 300ms ease-in-out; }
.game-step-label { font-size: 13px; font-family: monospace; color: white; }
.game-step.pending .game-step-label { color: rgba(255,255,255,0.3); }
.game-step-tag {
  font-size: 10px; font-weight: 700; font-family: monospace; color: rgba(255,255,255,0.35);
  padding: 2px 6px; border-radius: 999px; background-color: rgba(255,255,255,0.05);
}
.game-step.pending .game-step-tag { color: rgba(255,255,255,0.1); }
.game-step-done { color: rgb(48,209,88); }
.game-step-pending { color: rgba(255,255,255,0.15); }
.game-step spinner { color: white; }
.game-source { font-size: 11px; font-family: monospace; color: rgba(255,255,255,0.25); }

.cell-footer { font-size: 10px; color: rgba(255,255,255,0.25); }
.text-area scrolledwindow, .text-area textview, .text-area textview text { background: none; }
.text-area textview { color: white; caret-color: white; }
.text-area-placeholder { color: rgba(255,255,255,0.3); }
.suggested-action.compose-send, .suggested-action.reminder-set {
  background-image: none; background-color: #0a84ff; color: white; border: none; box-shadow: none;
  padding: 5px 14px; border-radius: 7px; text-shadow: none; -gtk-icon-shadow: none;
}
.suggested-action.compose-send:hover, .suggested-action.reminder-set:hover { background-color: #3b9bff; }
.suggested-action.compose-send:disabled, .suggested-action.reminder-set:disabled {
  background-color: rgba(255,255,255,0.10); color: rgba(255,255,255,0.35);
}

.compose-icon { color: #0a84ff; }
.compose-caption { color: rgba(255,255,255,0.55); font-size: 13px; }
.compose-field {
  background: none; border: none; box-shadow: none; outline: none; padding: 0; min-height: 0;
  color: white; caret-color: white; font-size: 13px;
}
.compose-field text placeholder { color: rgba(255,255,255,0.3); }
.compose-body textview { font-size: 13px; }
.compose-error { color: rgb(255,69,58); font-size: 11px; }
.compose-waiting { color: rgba(255,255,255,0.55); font-size: 11px; }

.reminder-status { color: rgb(100,210,255); transition: color 350ms ease-in-out; }
.reminder-status.noted { color: rgb(48,209,88); }
.reminder-field { border-radius: 10px; background-color: rgba(255,255,255,0.05); }
.reminder-field textview, .reminder-field .text-area-placeholder { font-size: 16px; }
.reminder-noted { color: rgb(48,209,88); font-size: 11px; }

.calendar-weekday { font-size: 14px; font-weight: 700; color: white; }
.calendar-date { font-size: 12px; color: rgba(255,255,255,0.55); }
.calendar-count {
  font-size: 11px; color: white; padding: 4px 10px; border-radius: 999px;
  background-color: rgba(10,132,255,0.15);
}
.calendar-time { font-size: 12px; font-family: monospace; color: rgba(255,255,255,0.55); }
.calendar-mark { border-radius: 2px; min-width: 3px; }
.calendar-title { font-size: 13px; font-weight: 500; color: white; }
.calendar-source { font-size: 10px; color: rgba(255,255,255,0.55); }

.notes-editor textview { font-family: monospace; font-size: 15px; }
)CSS";

}  // namespace

void installStyle() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  std::string css = kStyle;
  css += pillRules("system", StatusMessage::MessageType::system);
  css += pillRules("user", StatusMessage::MessageType::user);
  css += pillRules("success", StatusMessage::MessageType::success);
  css += pillRules("error", StatusMessage::MessageType::error);
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data(css);
  Gtk::StyleContext::add_provider_for_display(Gdk::Display::get_default(), provider,
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

}  // namespace kivari
