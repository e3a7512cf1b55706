#pragma once

#include <gtk/gtk.h>
#include <gtkmm.h>

#include <string>
#include <vector>

namespace kivari::testing {

// Sends real key presses and pointer moves through the X server, as a person would.
inline void xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  Glib::spawn_sync("", argv, Glib::SpawnFlags::SEARCH_PATH);
}

// The first widget of type T at or under `root`, depth first.
template <typename T>
T* findIn(Gtk::Widget* root) {
  if (root == nullptr) return nullptr;
  if (auto* hit = dynamic_cast<T*>(root)) return hit;
  for (auto* c = root->get_first_child(); c != nullptr; c = c->get_next_sibling()) {
    if (auto* hit = findIn<T>(c)) return hit;
  }
  return nullptr;
}

// An entry's keyboard focus sits on its inner text widget.
inline bool holdsFocus(Gtk::Window& window, Gtk::Widget& widget) {
  auto* focus = window.get_focus();
  return window.is_active() && focus != nullptr && (focus == &widget || focus->is_ancestor(widget));
}

// The name a screen reader reads for a widget; empty when it has none.
inline std::string accessibleName(Gtk::Widget& widget) {
  auto* accessible = GTK_ACCESSIBLE(widget.gobj());
  if (!gtk_test_accessible_has_property(accessible, GTK_ACCESSIBLE_PROPERTY_LABEL)) return {};
  // Checked against a value it cannot hold, it gives back the one it holds.
  char* actual = gtk_test_accessible_check_property(accessible, GTK_ACCESSIBLE_PROPERTY_LABEL, "\x01");
  std::string name = actual != nullptr ? actual : "";
  g_free(actual);
  return name;
}

inline void click(Gtk::Button& button) { g_signal_emit_by_name(button.gobj(), "clicked"); }

}  // namespace kivari::testing
