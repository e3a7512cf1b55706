#pragma once

#include <gtkmm.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kivari {

// Holds one child no wider than `maxWidth`, centred; narrower when the room
// offered is less.
class MaxWidthBin : public Gtk::Widget {
 public:
  explicit MaxWidthBin(int maxWidth);
  ~MaxWidthBin() override;
  void setChild(Gtk::Widget& child);

 protected:
  Gtk::SizeRequestMode get_request_mode_vfunc() const override;
  void measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                     int& minimumBaseline, int& naturalBaseline) const override;
  void size_allocate_vfunc(int width, int height, int baseline) override;

 private:
  int maxWidth_;
  Gtk::Widget* child_ = nullptr;
};

// Moves a value from where it is to a target over a fixed time along a
// curve, one step per frame of `owner`, handing each step to `apply`.
// Without frames to run on (owner not shown, animations turned off) it goes
// straight to the target.
class Tween {
 public:
  using Curve = double (*)(double);
  Tween(Gtk::Widget& owner, int durationMs, Curve curve, std::function<void(double)> apply);
  ~Tween();
  Tween(const Tween&) = delete;
  Tween& operator=(const Tween&) = delete;

  // `done` runs once the target is reached, unless another move replaced this one.
  void to(double target, bool animate = true, std::function<void()> done = {});
  double value() const { return value_; }
  double target() const { return target_; }

 private:
  void set(double value);
  void finish();
  Gtk::Widget& owner_;
  int durationMs_;
  Curve curve_;
  std::function<void(double)> apply_;
  std::function<void()> done_;
  double from_ = 0, value_ = 0, target_ = 0;
  gint64 start_ = -1;
  guint tick_ = 0;
  sigc::connection unmapped_;
};

// Lets `widget` enter by a CSS transition out of `cssClass`, which it has
// on: the class comes off only in a frame after one that drew the widget
// with it, since GTK moves a look only from one it has drawn. `wanted`, when
// given, is asked then; false leaves the class on (sent away meanwhile).
void enterFrom(Gtk::Widget& widget, const char* cssClass, std::function<bool()> wanted = {});

// A layer starts to leave (it fades, then goes): from now on it takes no
// click and no focus, and the keyboard leaves it at once if it is there;
// whatever takes the keyboard next takes it from nowhere. Left there, it
// would stay on a button inside the layer after the layer has gone: GTK
// 4.8 keeps that button as the window's focus, its C++ side deleted.
void startLeaving(Gtk::Widget& layer);

// The window's focus widget, asked of GTK without wrapping it: one whose
// C++ side is gone cannot be wrapped again.
GtkWidget* windowFocus(const Gtk::Widget& inWindow);
// Whether the window's focus lies at or under `area`.
bool focusWithin(const Gtk::Widget& area);

// A frosted panel: what lies behind it is drawn blurred past reading and
// tinted, with the one child on top.
class FrostedSurface : public Gtk::Widget {
 public:
  explicit FrostedSurface(float cornerRadius = 16);
  ~FrostedSurface() override;
  void setChild(Gtk::Widget& child);
  // The widgets that lie behind the panel, back to front. They must outlive it.
  void setBackdrop(const std::vector<Gtk::Widget*>& widgets);

 protected:
  Gtk::SizeRequestMode get_request_mode_vfunc() const override;
  void measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                     int& minimumBaseline, int& naturalBaseline) const override;
  void size_allocate_vfunc(int width, int height, int baseline) override;
  void snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) override;

 private:
  Gtk::Widget* child_ = nullptr;
  float cornerRadius_;
  std::vector<std::pair<Gtk::Widget*, Glib::RefPtr<Gtk::WidgetPaintable>>> backdrop_;
  std::vector<sigc::connection> connections_;
};

// Most user-perceived characters a label shows of a text from the user or
// the model: laying out a longer unbroken text would hold up the window,
// and the start is all that fits in a cell anyway.
inline constexpr std::size_t kLongestShownText = 250;

// Shows a text from the user or the model without letting it widen what
// holds the label: wrapped by word and, within a word too long for a line,
// anywhere; only its start and "…" when it is very long.
void showUserText(Gtk::Label& label, std::string_view text);
// The same for a label that is one line: cut off with "…" where it ends.
void showUserLine(Gtk::Label& label, std::string_view text);

// The name a screen reader gives a widget.
void setAccessibleLabel(Gtk::Widget& widget, const char* label);
inline void setAccessibleLabel(Gtk::Widget& widget, const std::string& label) {
  setAccessibleLabel(widget, label.c_str());
}

// Keeps a purely decorative widget, and all inside it, out of what a screen
// reader reads.
void hideFromAssistiveTechnology(Gtk::Widget& widget);

// A widget that only lays out others reads as a plain group instead of
// going by its type's name. The role belongs to the widget's class, so this
// holds for every widget of that class made afterwards.
void readAsGroup(Gtk::Widget& widget);

// A symbolic icon named by its system symbol name. Decorative unless given
// a name, which is what a screen reader then says for it.
Gtk::Image* makeSymbol(std::string_view symbol, const std::string& name = {});

}  // namespace kivari
