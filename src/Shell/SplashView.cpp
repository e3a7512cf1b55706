#include "Shell/SplashView.h"

#include "Shell/OverlayStyle.h"

#include <cmath>
#include <numbers>

namespace kivari {

SplashView::SplashView(Scheduler& scheduler, std::function<void()> onComplete, RandomSource random)
    : onComplete_(std::move(onComplete)),
      random_(random),
      startTime_(g_get_monotonic_time()),
      timeline_(scheduler, SplashTimeline::Steps{
                               [this] { title_.add_css_class("shown"); },
                               [this] { add_css_class("faded"); },
                               [this] {
                                 stopAnimating();
                                 const auto done = onComplete_;
                                 if (done) done();
                               }}) {
  installOverlayStyle();
  add_css_class("splash");
  set_hexpand(true);
  set_vexpand(true);

  field_.set_hexpand(true);
  field_.set_vexpand(true);
  field_.set_draw_func([this](const Cairo::RefPtr<Cairo::Context>& cr, int w, int h) {
    auto clock = field_.get_frame_clock();
    const gint64 now = clock ? clock->get_frame_time() : g_get_monotonic_time();
    paint(cr, particles_, static_cast<double>(now - startTime_) / 1e6, w, h);
  });
  markDecorative(field_);
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

void SplashView::paint(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<SplashParticle>& particles,
                       double t, int w, int h) {
  cairo_t* c = cr->cobj();
  cairo_set_source_rgb(c, 0, 0, 0);
  cairo_paint(c);
  for (const auto& disc : splash::frame(particles, t, w, h)) {
    cairo_set_source_rgba(c, disc.color.r, disc.color.g, disc.color.b, disc.alpha);
    cairo_new_path(c);
    cairo_arc(c, disc.cx, disc.cy, disc.diameter / 2, 0, 2 * std::numbers::pi);
    cairo_fill(c);
  }
}

}  // namespace kivari
