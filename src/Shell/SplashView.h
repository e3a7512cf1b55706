#pragma once

#include "Core/RandomSource.h"
#include "Core/Scheduler.h"
#include "Shell/SplashModel.h"

#include <gtkmm.h>

#include <functional>
#include <vector>

namespace kivari {

// The launch cover: particles rising on black, the title fading in, then the
// whole splash fading out; `onComplete` is called once, 5 s after it was
// first shown. It draws on every frame until then and never after.
class SplashView : public Gtk::Overlay {
 public:
  SplashView(Scheduler& scheduler, std::function<void()> onComplete, RandomSource random = RandomSource{});
  ~SplashView() override;

  bool isComplete() const { return timeline_.isComplete(); }
  bool isAnimating() const { return tick_ != 0; }
  Gtk::Label& title() { return title_; }

  // Paints one frame, t seconds after the start, on a w-by-h cairo context.
  static void paint(const Cairo::RefPtr<Cairo::Context>& cr, const std::vector<SplashParticle>& particles,
                    double t, int w, int h);

 private:
  void appeared();
  void stopAnimating();

  std::function<void()> onComplete_;
  RandomSource random_;
  std::vector<SplashParticle> particles_;
  gint64 startTime_ = 0;  // monotonic, microseconds
  Gtk::DrawingArea field_;
  Gtk::Label title_;
  guint tick_ = 0;
  SplashTimeline timeline_;
};

}  // namespace kivari
