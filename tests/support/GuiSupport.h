#pragma once

#include <gtk/gtk.h>
#include <gtkmm.h>

#include <functional>
#include <string>
#include <vector>

namespace kivari::testing {

// Sends real key presses and pointer moves through the X server, as a person would.
inline void xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  Glib::spawn_sync("", argv, Glib::SpawnFlags::SEARCH_PATH);
}

// A key or pointer button held down through the X server, let go when this
// goes however the test ends (an ASSERT returns early too): one left down
// would reach the tests that run after it.
class Held {
 public:
  static Held key(const std::string& name) { return Held({"keydown", name}, {"keyup", name}); }
  static Held button(int number) {
    return Held({"mousedown", std::to_string(number)}, {"mouseup", std::to_string(number)});
  }
  Held(Held&& other) noexcept : release_(std::move(other.release_)) { other.release_.clear(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  Held& operator=(Held&&) = delete;
  ~Held() { release(); }
  void release() {
    if (release_.empty()) return;
    xdotool(release_);
    release_.clear();
  }

 private:
  Held(const std::vector<std::string>& press, std::vector<std::string> release) : release_(std::move(release)) {
    xdotool(press);
  }
  std::vector<std::string> release_;
};

// Calls `then` at each emission of `phase` on the frame clock of `widget`'s
// window, ahead of any handler connected after this one: "before-paint"
// as a frame begins, before its tick callbacks move anything, or
// "after-paint" once the frame has been drawn and handed on.
class OnFrame {
 public:
  OnFrame(Gtk::Widget& widget, const char* phase, std::function<void()> then)
      : clock_(widget.get_frame_clock()), then_(std::move(then)) {
    handler_ = g_signal_connect_swapped(clock_->gobj(), phase, G_CALLBACK(+[](OnFrame* self) { self->then_(); }), this);
  }
  ~OnFrame() { g_signal_handler_disconnect(clock_->gobj(), handler_); }
  OnFrame(const OnFrame&) = delete;
  OnFrame& operator=(const OnFrame&) = delete;

 private:
  Glib::RefPtr<Gdk::FrameClock> clock_;
  std::function<void()> then_;
  gulong handler_ = 0;
};

// GTK's animations off while this lives, as a user may turn them off:
// every move jumps to its end.
class AnimationsOff {
 public:
  AnimationsOff() : settings_(Gtk::Settings::get_default()), were_(settings_->property_gtk_enable_animations()) {
    settings_->property_gtk_enable_animations() = false;
  }
  ~AnimationsOff() { settings_->property_gtk_enable_animations() = were_; }
  AnimationsOff(const AnimationsOff&) = delete;
  AnimationsOff& operator=(const AnimationsOff&) = delete;

 private:
  Glib::RefPtr<Gtk::Settings> settings_;
  bool were_;
};

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
