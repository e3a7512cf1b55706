#pragma once

#include "Core/Scheduler.h"
#include "Core/UniformRandom.h"
#include "Ui/Palette.h"

#include <array>
#include <functional>
#include <vector>

namespace kivari {

// One particle of the launch splash; every field is fixed when it is made.
struct SplashParticle {
  double x = 0;           // fraction of the width
  double y = 0;           // starting fraction of the height, 0 at the top
  double size = 0;        // core diameter
  double opacity = 0;     // peak opacity
  Rgba color;
  double speed = 0;        // upward, per second
  double driftFreq = 0;    // radians of the sway per second of age
  double driftAmp = 0;     // sway amplitude
  double twinkleFreq = 0;  // radians of the twinkle per second of age
  double delay = 0;        // seconds before it appears
  double lifetime = 0;     // seconds it lives once it has appeared
};

// One filled circle of a splash frame.
struct SplashDisc {
  double cx = 0, cy = 0, diameter = 0, alpha = 0;
  Rgba color;
};

namespace splash {

inline constexpr std::size_t kParticleCount = 30;
inline constexpr double kTitleOpacity = 0.35;
// The phases, measured from the splash's appearance.
inline constexpr Scheduler::Duration kTitleDelay{500};
inline constexpr Scheduler::Duration kTitleFade{1500};
inline constexpr Scheduler::Duration kHold{3000};
inline constexpr Scheduler::Duration kFadeOut{1500};

const std::array<Rgba, 5>& palette();
std::vector<SplashParticle> makeParticles(UniformRandom& random);

// How far a particle is faded in, at fraction p of its life (0 ... 1).
double envelope(double p);

// The circles of the frame t seconds after the start on a w-by-h canvas,
// back to front: a glow and a core for every particle alive at t.
std::vector<SplashDisc> frame(const std::vector<SplashParticle>& particles, double t, double w, double h);

}  // namespace splash

// The splash's timed phases: the title shows 0.5 s after start(), the whole
// splash fades out 3 s later, and completion comes 1.5 s after that, once.
// Nothing runs after the timeline is destroyed.
class SplashTimeline {
 public:
  struct Steps {
    std::function<void()> showTitle;
    std::function<void()> fadeOut;
    std::function<void()> complete;
  };
  SplashTimeline(Scheduler& scheduler, Steps steps);

  // Starts the phases; later calls do nothing.
  void start();
  bool isComplete() const { return complete_; }

 private:
  ScopedScheduler scheduler_;
  Steps steps_;
  bool started_ = false;
  bool complete_ = false;
};

}  // namespace kivari
