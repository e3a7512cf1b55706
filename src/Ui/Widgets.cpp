#include "Ui/Widgets.h"

#include "Core/Text.h"
#include "Ui/Icons.h"

#include <algorithm>

namespace kivari {

MaxWidthBin::MaxWidthBin(int maxWidth) : maxWidth_(maxWidth) { readAsGroup(*this); }

MaxWidthBin::~MaxWidthBin() {
  if (child_ != nullptr) child_->unparent();
}

void MaxWidthBin::setChild(Gtk::Widget& child) {
  if (child_ != nullptr) child_->unparent();
  child_ = &child;
  child.set_parent(*this);
}

Gtk::SizeRequestMode MaxWidthBin::get_request_mode_vfunc() const {
  return Gtk::SizeRequestMode::HEIGHT_FOR_WIDTH;
}

void MaxWidthBin::measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum,
                                int& natural, int& minimumBaseline, int& naturalBaseline) const {
  minimum = natural = 0;
  minimumBaseline = naturalBaseline = -1;
  if (child_ == nullptr) return;
  if (orientation == Gtk::Orientation::HORIZONTAL) {
    int childMin = 0, childNat = 0, b1 = 0, b2 = 0;
    child_->measure(orientation, forSize, childMin, childNat, b1, b2);
    minimum = std::min(childMin, maxWidth_);
    natural = maxWidth_;
  } else {
    const int width = forSize < 0 ? maxWidth_ : std::min(forSize, maxWidth_);
    int b1 = 0, b2 = 0;
    child_->measure(orientation, width, minimum, natural, b1, b2);
  }
}

void MaxWidthBin::size_allocate_vfunc(int width, int height, int baseline) {
  if (child_ == nullptr) return;
  const int childWidth = std::min(width, maxWidth_);
  Gtk::Allocation allocation((width - childWidth) / 2, 0, childWidth, height);
  child_->size_allocate(allocation, baseline);
}

Tween::Tween(Gtk::Widget& owner, int durationMs, Curve curve, std::function<void(double)> apply)
    : owner_(owner), durationMs_(durationMs), curve_(curve), apply_(std::move(apply)) {
  // Frames stop with the owner; a move under way ends where it was going.
  unmapped_ = owner_.signal_unmap().connect([this] { finish(); });
}

Tween::~Tween() {
  unmapped_.disconnect();
  if (tick_ != 0) owner_.remove_tick_callback(tick_);
}

void Tween::to(double target, bool animate, std::function<void()> done) {
  target_ = target;
  from_ = value_;
  done_ = std::move(done);
  start_ = -1;
  const bool animations = Gtk::Settings::get_default()->property_gtk_enable_animations().get_value();
  if (!animate || !animations || !owner_.get_mapped() || value_ == target_) {
    finish();
    return;
  }
  if (tick_ != 0) return;
  tick_ = owner_.add_tick_callback([this](const Glib::RefPtr<Gdk::FrameClock>& clock) {
    const gint64 now = clock->get_frame_time();
    // Time starts at the first frame, so that frame still shows where the move begins.
    if (start_ < 0) start_ = now;
    const double t = static_cast<double>(now - start_) / (durationMs_ * 1000.0);
    if (t >= 1) {
      tick_ = 0;
      finish();
      return false;
    }
    set(from_ + (target_ - from_) * curve_(t));
    return true;
  });
}

void Tween::set(double value) {
  value_ = value;
  apply_(value_);
}

void Tween::finish() {
  if (tick_ != 0) {
    owner_.remove_tick_callback(tick_);
    tick_ = 0;
  }
  set(target_);
  if (auto done = std::move(done_)) {
    done_ = nullptr;
    done();
  }
}

void enterFrom(Gtk::Widget& widget, const char* cssClass, std::function<bool()> wanted) {
  widget.add_tick_callback([&widget, name = std::string(cssClass), wanted = std::move(wanted),
                            drawnIn = gint64{-1}](const Glib::RefPtr<Gdk::FrameClock>& clock) mutable {
    // A tick comes before its frame's styles and paint: the frame of the
    // first tick draws the starting look, the next one starts the move.
    const gint64 frame = clock->get_frame_counter();
    if (widget.get_mapped() && (drawnIn < 0 || frame == drawnIn)) {
      drawnIn = frame;
      return true;
    }
    // Not on screen (no frame will draw it): it just takes its place.
    if (!wanted || wanted()) widget.remove_css_class(name);
    return false;
  });
}

void startLeaving(Gtk::Widget& layer) {
  layer.set_can_target(false);
  layer.set_can_focus(false);
  if (focusWithin(layer)) gtk_root_set_focus(gtk_widget_get_root(layer.gobj()), nullptr);
}

GtkWidget* windowFocus(const Gtk::Widget& inWindow) {
  GtkRoot* root = gtk_widget_get_root(const_cast<GtkWidget*>(inWindow.gobj()));
  return root != nullptr ? gtk_root_get_focus(root) : nullptr;
}

bool focusWithin(const Gtk::Widget& area) {
  GtkWidget* focus = windowFocus(area);
  const auto* widget = area.gobj();
  return focus != nullptr && (focus == widget || gtk_widget_is_ancestor(focus, const_cast<GtkWidget*>(widget)));
}

namespace {

constexpr float kFrostBlur = 30;

}  // namespace

FrostedSurface::FrostedSurface(float cornerRadius) : cornerRadius_(cornerRadius) {
  readAsGroup(*this);
  add_css_class("frosted-surface");
}

FrostedSurface::~FrostedSurface() {
  for (auto& c : connections_) c.disconnect();
  if (child_ != nullptr) child_->unparent();
}

void FrostedSurface::setChild(Gtk::Widget& child) {
  if (child_ != nullptr) child_->unparent();
  child_ = &child;
  child.set_parent(*this);
}

void FrostedSurface::setBackdrop(const std::vector<Gtk::Widget*>& widgets) {
  for (auto& c : connections_) c.disconnect();
  connections_.clear();
  backdrop_.clear();
  for (auto* widget : widgets) {
    auto paintable = Gtk::WidgetPaintable::create(*widget);
    connections_.push_back(paintable->signal_invalidate_contents().connect([this] { queue_draw(); }));
    connections_.push_back(paintable->signal_invalidate_size().connect([this] { queue_draw(); }));
    backdrop_.emplace_back(widget, paintable);
  }
}

Gtk::SizeRequestMode FrostedSurface::get_request_mode_vfunc() const {
  return Gtk::SizeRequestMode::HEIGHT_FOR_WIDTH;
}

void FrostedSurface::measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum,
                                   int& natural, int& minimumBaseline, int& naturalBaseline) const {
  minimum = natural = 0;
  minimumBaseline = naturalBaseline = -1;
  if (child_ != nullptr) child_->measure(orientation, forSize, minimum, natural, minimumBaseline, naturalBaseline);
}

void FrostedSurface::size_allocate_vfunc(int width, int height, int baseline) {
  if (child_ != nullptr) child_->size_allocate(Gtk::Allocation(0, 0, width, height), baseline);
}

void FrostedSurface::snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) {
  GtkSnapshot* s = snapshot->gobj();
  const auto width = static_cast<float>(get_width());
  const auto height = static_cast<float>(get_height());
  const graphene_rect_t bounds = GRAPHENE_RECT_INIT(0, 0, width, height);
  GskRoundedRect shape;
  gsk_rounded_rect_init_from_rect(&shape, &bounds, cornerRadius_);

  gtk_snapshot_push_rounded_clip(s, &shape);
  gtk_snapshot_push_blur(s, kFrostBlur);
  // Only what the blur can reach from inside the panel is drawn.
  const graphene_rect_t reach =
      GRAPHENE_RECT_INIT(-2 * kFrostBlur, -2 * kFrostBlur, width + 4 * kFrostBlur, height + 4 * kFrostBlur);
  gtk_snapshot_push_clip(s, &reach);
  for (const auto& [widget, paintable] : backdrop_) {
    if (!widget->get_mapped()) continue;
    const graphene_point_t zero = GRAPHENE_POINT_INIT(0, 0);
    graphene_point_t origin;
    if (!gtk_widget_compute_point(widget->gobj(), gobj(), &zero, &origin)) continue;
    gtk_snapshot_save(s);
    gtk_snapshot_translate(s, &origin);
    gdk_paintable_snapshot(GDK_PAINTABLE(paintable->gobj()), s, widget->get_width(), widget->get_height());
    gtk_snapshot_restore(s);
  }
  gtk_snapshot_pop(s);
  gtk_snapshot_pop(s);
  const GdkRGBA tint{0.10f, 0.10f, 0.14f, 0.80f};
  gtk_snapshot_append_color(s, &tint, &bounds);
  gtk_snapshot_pop(s);

  const float edge[4] = {1, 1, 1, 1};
  const GdkRGBA hairline{1, 1, 1, 0.08f};
  const GdkRGBA hairlines[4] = {hairline, hairline, hairline, hairline};
  gtk_snapshot_append_border(s, &shape, edge, hairlines);
  if (child_ != nullptr) snapshot_child(*child_, snapshot);
}

namespace {

constexpr int kLeastWrappedCharacters = 12;
constexpr int kLongestWrappedLine = 60;

}  // namespace

void showUserText(Gtk::Label& label, std::string_view text) {
  label.set_use_markup(false);
  label.set_wrap(true);
  label.set_wrap_mode(Pango::WrapMode::WORD_CHAR);
  // GTK finds a wrapping label's least width by laying it out a character
  // a line unless told a width in characters; for one long word that costs
  // a layout of hundreds of lines on every measure.
  label.set_width_chars(kLeastWrappedCharacters);
  // Its natural width as one line would be thousands of pixels; a line
  // of readable length is what it asks for, and it still fills the room
  // it is given.
  if (label.get_max_width_chars() < 0) label.set_max_width_chars(kLongestWrappedLine);
  label.set_text(text::displayPrefix(text, kLongestShownText));
}

void showUserLine(Gtk::Label& label, std::string_view text) {
  label.set_use_markup(false);
  label.set_ellipsize(Pango::EllipsizeMode::END);
  label.set_text(text::displayPrefix(text, kLongestShownText));
}

void setAccessibleLabel(Gtk::Widget& widget, const char* label) {
  gtk_accessible_update_property(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, label,
                                 -1);
}

void hideFromAssistiveTechnology(Gtk::Widget& widget) {
  gtk_accessible_update_state(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
}

void readAsGroup(Gtk::Widget& widget) {
  auto* widgetClass = GTK_WIDGET_GET_CLASS(widget.gobj());
  if (gtk_widget_class_get_accessible_role(widgetClass) == GTK_ACCESSIBLE_ROLE_WIDGET) {
    gtk_widget_class_set_accessible_role(widgetClass, GTK_ACCESSIBLE_ROLE_GENERIC);
  }
}

Gtk::Image* makeSymbol(std::string_view symbol, const std::string& name) {
  auto* image = Gtk::make_managed<Gtk::Image>();
  image->set_from_icon_name(iconNameForSymbol(symbol));
  if (name.empty()) {
    hideFromAssistiveTechnology(*image);
  } else {
    setAccessibleLabel(*image, name);
  }
  return image;
}

}  // namespace kivari
