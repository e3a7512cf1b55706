#pragma once

#include "Core/UniformRandom.h"
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
  SplashView(Scheduler& scheduler, std::function<void()> onComplete, UniformRandom random = UniformRandom{});
  ~SplashView() override;

  bool isComplete() const { return timeline_.isComplete(); }
  bool isAnimating() const { return tick_ != 0; }
  Gtk::Label& title() { return title_; }
  // Fires as the splash starts to fade out, uncovering what lies beneath.
  sigc::signal<void()>& signalFadeOut() { return fadeOut_; }

  // One frame of the field, t seconds after the start, w by h: black with
  // every circle a small cairo drawing of its own, so that a frame repaints
  // only where particles moved.
  static void appendFrame(GtkSnapshot* snapshot, const std::vector<SplashParticle>& particles, double t, int w,
                          int h);

 private:
  class Field : public Gtk::Widget {
   public:
    explicit Field(SplashView& splash) : splash_(splash) {}

   protected:
    void snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) override;

   private:
    SplashView& splash_;
  };

  void appeared();
  void stopAnimating();

  std::function<void()> onComplete_;
  UniformRandom random_;
  std::vector<SplashParticle> particles_;
  gint64 startTime_ = 0;  // monotonic, microseconds
  Field field_{*this};
  Gtk::Label title_;
  guint tick_ = 0;
  sigc::signal<void()> fadeOut_;
  SplashTimeline timeline_;
};

}  // namespace kivari
