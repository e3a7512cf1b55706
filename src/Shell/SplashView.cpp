#include "Shell/SplashView.h"

#include "Ui/OverlayStyle.h"
#include "Ui/Widgets.h"

#include <cmath>
#include <numbers>

namespace kivari {

SplashView::SplashView(Scheduler& scheduler, std::function<void()> onComplete, UniformRandom random)
    : onComplete_(std::move(onComplete)),
      random_(random),
      startTime_(g_get_monotonic_time()),
      timeline_(scheduler, SplashTimeline::Steps{
                               [this] { title_.add_css_class("shown"); },
                               [this] {
                                 add_css_class("faded");
                                 fadeOut_.emit();
                               },
                               [this] {
                                 stopAnimating();
                                 const auto done = onComplete_;
                                 if (done) done();
                               }}) {
  installOverlayStyle();
  readAsGroup(*this);
  readAsGroup(field_);
  add_css_class("splash");
  set_hexpand(true);
  set_vexpand(true);

  field_.set_hexpand(true);
  field_.set_vexpand(true);
  hideFromAssistiveTechnology(field_);
  set_child(field_);

  title_.set_text("Kivari");
  title_.add_css_class("splash-title");
  title_.set_halign(Gtk::Align::CENTER);
  title_.set_valign(Gtk::Align::CENTER);
  // 40 below the centre: a bottom margin of 0 and a top margin of 80 centre it 40 lower.
  title_.set_margin_top(80);
  title_.set_can_target(false);
  add_overlay(title_);

  signal_map().connect(sigc::mem_fun(*this, &SplashView::appeared));
  signal_unmap().connect(sigc::mem_fun(*this, &SplashView::stopAnimating));
}

SplashView::~SplashView() { stopAnimating(); }

void SplashView::appeared() {
  if (timeline_.isComplete()) return;
  if (particles_.empty()) {
    startTime_ = g_get_monotonic_time();
    particles_ = splash::makeParticles(random_);
    timeline_.start();
  }
  if (tick_ == 0) {
    tick_ = field_.add_tick_callback([this](const Glib::RefPtr<Gdk::FrameClock>&) {
      field_.queue_draw();
      return true;
    });
  }
}

void SplashView::stopAnimating() {
  if (tick_ != 0) field_.remove_tick_callback(tick_);
  tick_ = 0;
}

void SplashView::Field::snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) {
  auto clock = get_frame_clock();
  const gint64 now = clock ? clock->get_frame_time() : g_get_monotonic_time();
  appendFrame(snapshot->gobj(), splash_.particles_, static_cast<double>(now - splash_.startTime_) / 1e6,
              get_width(), get_height());
}

void SplashView::appendFrame(GtkSnapshot* snapshot, const std::vector<SplashParticle>& particles, double t, int w,
                             int h) {
  const GdkRGBA black{0, 0, 0, 1};
  const graphene_rect_t all = GRAPHENE_RECT_INIT(0, 0, static_cast<float>(w), static_cast<float>(h));
  gtk_snapshot_append_color(snapshot, &black, &all);
  for (const auto& disc : splash::frame(particles, t, w, h)) {
    const double r = disc.diameter / 2;
    // Whole pixels around the circle, so its antialiased edge is kept.
    const double left = std::floor(disc.cx - r - 1), top = std::floor(disc.cy - r - 1);
    const double side = std::ceil(disc.diameter + 2) + 1;
    const graphene_rect_t bounds = GRAPHENE_RECT_INIT(static_cast<float>(left), static_cast<float>(top),
                                                      static_cast<float>(side), static_cast<float>(side));
    cairo_t* c = gtk_snapshot_append_cairo(snapshot, &bounds);
    cairo_set_source_rgba(c, disc.color.r, disc.color.g, disc.color.b, disc.alpha);
    cairo_arc(c, disc.cx, disc.cy, r, 0, 2 * std::numbers::pi);
    cairo_fill(c);
    cairo_destroy(c);
  }
}

}  // namespace kivari
