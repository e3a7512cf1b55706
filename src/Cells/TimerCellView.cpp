#include "Cells/TimerCellView.h"

#include "Cells/CellViewKit.h"
#include "Ui/CellFrame.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kivari {

namespace {

constexpr double kLineWidth = 6;
constexpr double kRadius = (TimerRing::kSize - kLineWidth) / 2;
constexpr std::chrono::duration<double> kGlide{1.0};
// Widest the time may be drawn and still sit inside the ring's stroke with
// room to spare.
constexpr double kTimeRoom = 150;

void setSource(const Cairo::RefPtr<Cairo::Context>& cr, const Rgba& c) {
  cr->set_source_rgba(c.r, c.g, c.b, c.a);
}

}  // namespace

TimerRing::TimerRing(Scheduler& scheduler) : scheduler_(scheduler) {
  set_content_width(kSize);
  set_content_height(kSize);
  set_halign(Gtk::Align::CENTER);
  set_valign(Gtk::Align::CENTER);
  set_draw_func(sigc::mem_fun(*this, &TimerRing::draw));
  cellkit::hideFromAssistiveTech(*this);  // the time in its middle says it all
}

TimerRing::~TimerRing() {
  if (token_ != 0) scheduler_.cancel(token_);
}

void TimerRing::show(double progress, const Rgba& color) {
  progress = std::clamp(progress, 0.0, 1.0);
  const bool recolored = !(color == color_);
  color_ = color;
  if (recolored) queue_draw();
  if (!placed_) {  // a new ring shows its value at once
    placed_ = true;
    from_ = to_ = drawn_ = progress;
    return;
  }
  if (progress == to_) return;  // Pause and Resume leave the ring alone
  const auto now = Clock::now();
  from_ = token_ != 0 ? valueAt(now) : drawn_;
  to_ = progress;
  startedAt_ = now;
  // One step per pixel the arc's end travels, at most one a frame: a long
  // timer's arc barely moves in a second and should cost next to nothing.
  const double pixels = std::abs(to_ - from_) * 2 * std::numbers::pi * kRadius;
  const auto steps = static_cast<long>(std::clamp(std::ceil(pixels / 2), 1.0, 60.0));
  interval_ = std::chrono::duration_cast<Scheduler::Duration>(kGlide) / steps;
  if (token_ != 0) scheduler_.cancel(token_);
  token_ = scheduler_.schedule(interval_, [this] { step(); });
}

double TimerRing::valueAt(Clock::time_point time) const {
  const double t = std::clamp(std::chrono::duration<double>(time - startedAt_) / kGlide, 0.0, 1.0);
  return from_ + (to_ - from_) * t;
}

void TimerRing::step() {
  const auto now = Clock::now();
  drawn_ = valueAt(now);
  queue_draw();
  token_ = now - startedAt_ >= kGlide ? 0 : scheduler_.schedule(interval_, [this] { step(); });
}

void TimerRing::draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
  const double cx = width / 2.0, cy = height / 2.0;
  cr->set_line_width(kLineWidth);
  setSource(cr, palette::white.withAlpha(0.08));
  cr->arc(cx, cy, kRadius, 0, 2 * std::numbers::pi);
  cr->stroke();
  // An empty arc draws nothing, not even the dot of its round caps.
  if (drawn_ <= 0) return;
  setSource(cr, color_);
  cr->set_line_cap(Cairo::Context::LineCap::ROUND);
  const double top = -std::numbers::pi / 2;
  cr->arc(cx, cy, kRadius, top, top + 2 * std::numbers::pi * drawn_);
  cr->stroke();
}

TimerCellView::TimerCellView(std::int64_t totalSeconds, const std::string& label,
                             std::function<void()> onDismiss, Scheduler& scheduler,
                             std::unique_ptr<AlertSound> alert)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      alert_(std::move(alert)),
      countdown_(totalSeconds, scheduler, *alert_),
      ring_(scheduler) {
  add_css_class("timer-cell");
  append(*Gtk::make_managed<CellHeader>("timer", palette::orange, label.empty() ? "Timer" : label,
                                        "Local Clock DNA", std::move(onDismiss)));
  append(*Gtk::make_managed<Gtk::Separator>());

  auto* body = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 24);
  body->set_vexpand(true);
  body->set_margin(16);
  body->append(*cellkit::flexibleSpace());

  auto* dial = Gtk::make_managed<Gtk::Overlay>();
  dial->set_halign(Gtk::Align::CENTER);
  dial->set_child(ring_);
  auto* middle = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 4);
  middle->set_halign(Gtk::Align::CENTER);
  middle->set_valign(Gtk::Align::CENTER);
  time_.add_css_class("timer-time");
  // Its type is known once it is styled on screen.
  time_.signal_map().connect([this] { fitTime(time_.get_text()); });
  done_.add_css_class("timer-done");
  middle->append(time_);
  middle->append(done_);
  dial->add_overlay(*middle);
  body->append(*dial);

  auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 16);
  buttons->set_halign(Gtk::Align::CENTER);
  pause_.add_css_class("cell-button");
  reset_.add_css_class("cell-button");
  pause_.signal_clicked().connect([this] { countdown_.toggleRunning(); });
  reset_.signal_clicked().connect([this] { countdown_.reset(); });
  buttons->append(pause_);
  buttons->append(reset_);
  body->append(*buttons);

  body->append(*cellkit::flexibleSpace());
  body->append(*cellkit::footer("No background process after dissolve"));
  append(*body);

  countdown_.signalChanged().connect([this] { refresh(); });
  refresh();
  // The first second is counted from when the cell is first on screen.
  signal_map().connect([this] { countdown_.start(); });
}

TimerCellView::~TimerCellView() { alert_->stop(); }

void TimerCellView::cellDissolving() { alert_->stop(); }

void TimerCellView::fitTime(const std::string& text) {
  int width = 0, height = 0;
  Pango::AttrList none;
  time_.set_attributes(none);
  auto layout = time_.create_pango_layout(text);
  layout->get_pixel_size(width, height);
  Pango::AttrList shrink;
  if (width > kTimeRoom) {
    auto scale = Pango::Attribute::create_attr_scale(kTimeRoom / width);
    shrink.insert(scale);
  }
  time_.set_attributes(shrink);
}

void TimerCellView::refresh() {
  const std::string text = countdown_.timeString();
  if (time_.get_text().raw() != text) {
    // A new number of digits may need smaller type to stay inside the ring.
    if (time_.get_text().size() != text.size()) fitTime(text);
    time_.set_text(text);
  }
  done_.set_visible(countdown_.isDone());
  const char* title = countdown_.isRunning() ? "Pause" : "Resume";
  if (pause_.get_label() != title) pause_.set_label(title);
  ring_.show(countdown_.progress(), countdown_.color());
}

}  // namespace kivari
