#pragma once

#include "Cells/AlertSound.h"
#include "Cells/DissolvingCell.h"
#include "Cells/TimerCountdown.h"
#include "Core/Scheduler.h"

#include <gtkmm.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kivari {

// The countdown's ring: a faint track and an arc from twelve o'clock that
// glides to each new value over one second.
class TimerRing : public Gtk::DrawingArea {
 public:
  static constexpr int kSize = 200;
  explicit TimerRing(Scheduler& scheduler);
  ~TimerRing() override;
  // Moves the arc to `progress` (0...1) over a second, in `color` at once.
  void show(double progress, const Rgba& color);
  double drawnProgress() const { return drawn_; }

 private:
  using Clock = std::chrono::steady_clock;
  void draw(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);
  void step();
  double valueAt(Clock::time_point time) const;

  Scheduler& scheduler_;
  Scheduler::Token token_ = 0;
  Scheduler::Duration interval_{};
  bool placed_ = false;
  double from_ = 0, to_ = 0, drawn_ = 0;
  Clock::time_point startedAt_;
  Rgba color_;
};

// The timer cell: the ring with the time in its middle, Pause/Resume and
// Reset, and the alert at zero.
class TimerCellView : public Gtk::Box, public DissolvingCell {
 public:
  TimerCellView(std::int64_t totalSeconds, const std::string& label, std::function<void()> onDismiss,
                Scheduler& scheduler, std::unique_ptr<AlertSound> alert);
  ~TimerCellView() override;

  // A sound still ringing stops with the cell.
  void cellDissolving() override;

  TimerCountdown& countdown() { return countdown_; }
  Gtk::Label& timeLabel() { return time_; }
  Gtk::Label& doneLabel() { return done_; }
  Gtk::Button& pauseButton() { return pause_; }
  Gtk::Button& resetButton() { return reset_; }
  TimerRing& ring() { return ring_; }

 private:
  void refresh();
  // Sizes the time's type so that `text` fits inside the ring.
  void fitTime(const std::string& text);

  std::unique_ptr<AlertSound> alert_;
  TimerCountdown countdown_;
  TimerRing ring_;
  Gtk::Label time_;
  Gtk::Label done_{"Done!"};
  Gtk::Button pause_;
  Gtk::Button reset_{"Reset"};
};

}  // namespace kivari
