#include "Shell/CellFrame.h"

#include "Shell/Cards.h"
#include "Shell/Widgets.h"

namespace kivari {

namespace {

GdkRGBA toGdk(const Rgba& c) {
  return GdkRGBA{static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b),
                 static_cast<float>(c.a)};
}

Rgba mix(const Rgba& a, const Rgba& b) {
  return {(a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2, (a.a + b.a) / 2};
}

double lerp(double from, double to, double t) { return from + (to - from) * t; }

// A breath is slow and soft: fifteen frames a second are plenty.
constexpr Scheduler::Duration kBreathFrame{66};

}  // namespace

CellHeader::CellHeader(const std::string& icon, const Rgba& iconColor, const std::string& title,
                       const std::string& detail, std::function<void()> onDismiss)
    : Gtk::Box(Gtk::Orientation::HORIZONTAL, 8) {
  add_css_class("cell-header");
  auto* symbol = makeSymbol(icon);
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data("image { color: " + iconColor.css() + "; }");
  symbol->get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  append(*symbol);
  auto* titleLabel = Gtk::make_managed<Gtk::Label>(title);
  titleLabel->add_css_class("cell-title");
  titleLabel->set_ellipsize(Pango::EllipsizeMode::END);
  titleLabel->set_xalign(0);
  titleLabel->set_hexpand(true);
  append(*titleLabel);
  auto* tag = Gtk::make_managed<Gtk::Label>(detail);
  tag->add_css_class("cell-tag");
  tag->set_ellipsize(Pango::EllipsizeMode::END);
  append(*tag);
  close_.set_child(*makeSymbol("xmark.circle.fill"));
  close_.add_css_class("cell-close");
  close_.set_tooltip_text("Dissolve (Esc)");
  close_.set_focus_on_click(false);
  setAccessibleLabel(close_, "Dissolve");
  close_.signal_clicked().connect([onDismiss = std::move(onDismiss)] { onDismiss(); });
  append(close_);
}

CellMembrane::CellMembrane(Gtk::Widget& content, Scheduler& scheduler, bool isActive)
    : content_(content), scheduler_(scheduler), isActive_(isActive) {
  add_css_class("cell-membrane");
  set_overflow(Gtk::Overflow::VISIBLE);
  content_.set_parent(*this);
  signal_map().connect([this] {
    shownAt_ = std::chrono::steady_clock::now();
    level_ = 0;
    if (isActive_ && token_ == 0) token_ = scheduler_.schedule(kBreathFrame, [this] { step(); });
  });
  signal_unmap().connect([this] {
    if (token_ != 0) scheduler_.cancel(token_);
    token_ = 0;
  });
}

CellMembrane::~CellMembrane() {
  if (token_ != 0) scheduler_.cancel(token_);
  content_.unparent();
}

void CellMembrane::step() {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - shownAt_).count();
  level_ = breathLevel(seconds);
  queue_draw();
  token_ = scheduler_.schedule(kBreathFrame, [this] { step(); });
}

Gtk::SizeRequestMode CellMembrane::get_request_mode_vfunc() const {
  return content_.get_request_mode();
}

void CellMembrane::measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum,
                                 int& natural, int& minimumBaseline, int& naturalBaseline) const {
  content_.measure(orientation, forSize, minimum, natural, minimumBaseline, naturalBaseline);
}

void CellMembrane::size_allocate_vfunc(int width, int height, int baseline) {
  content_.size_allocate(Gtk::Allocation(0, 0, width, height), baseline);
}

void CellMembrane::snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) {
  GtkSnapshot* s = snapshot->gobj();
  const float w = static_cast<float>(get_width());
  const float h = static_cast<float>(get_height());
  GskRoundedRect outline;
  const graphene_rect_t bounds = GRAPHENE_RECT_INIT(0, 0, w, h);
  gsk_rounded_rect_init_from_rect(&outline, &bounds, kCornerRadius);
  const double t = level_;

  // Drop shadow, then the cyan glow, both cast by the frame.
  const GdkRGBA shadow = toGdk(palette::black.withAlpha(0.4));
  gtk_snapshot_append_outset_shadow(s, &outline, &shadow, 0, 12, 0, 30);
  const GdkRGBA glow = toGdk(palette::cyan.withAlpha(lerp(0.05, 0.15, t)));
  gtk_snapshot_append_outset_shadow(s, &outline, &glow, 0, 8, 0, static_cast<float>(lerp(20, 40, t)));

  // Translucent body, and the content clipped to the rounded outline.
  gtk_snapshot_push_rounded_clip(s, &outline);
  const GdkRGBA body{0.09f, 0.09f, 0.13f, 0.72f};
  gtk_snapshot_append_color(s, &body, &bounds);
  snapshot_child(content_, snapshot);
  gtk_snapshot_pop(s);

  // The edge: a faint white-cyan-white line inside the outline, brighter at
  // the top-left where the gradient starts.
  const Rgba first = palette::white.withAlpha(lerp(0.08, 0.15, t));
  const Rgba middle = palette::cyan.withAlpha(lerp(0.04, 0.12, t));
  const Rgba last = palette::white.withAlpha(lerp(0.06, 0.10, t));
  const GdkRGBA early = toGdk(mix(first, middle));
  const GdkRGBA late = toGdk(mix(middle, last));
  const float widths[4] = {1.5f, 1.5f, 1.5f, 1.5f};
  const GdkRGBA colors[4] = {early, late, late, early};  // top, right, bottom, left
  gtk_snapshot_append_border(s, &outline, widths, colors);
}

}  // namespace kivari
