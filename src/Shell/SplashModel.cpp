#include "Shell/SplashModel.h"

#include <cmath>

namespace kivari {

namespace splash {

const std::array<Rgba, 5>& palette() {
  static const std::array<Rgba, 5> colors = {
      Rgba{0.35, 0.55, 1.0, 1}, Rgba{0.85, 0.3, 0.75, 1}, Rgba{0.55, 0.35, 0.9, 1},
      Rgba{0.45, 0.65, 1.0, 1}, Rgba{0.5, 0.2, 0.7, 1},
  };
  return colors;
}

std::vector<SplashParticle> makeParticles(UniformRandom& random) {
  std::vector<SplashParticle> particles(kParticleCount);
  for (auto& p : particles) {
    p.x = random.uniform(0.12, 0.88);
    p.y = random.uniform(0.4, 0.95);
    p.size = random.uniform(3, 7);
    p.opacity = random.uniform(0.4, 0.8);
    p.color = palette()[random.index(palette().size())];
    p.speed = random.uniform(8, 18);
    p.driftFreq = random.uniform(0.25, 0.65);
    p.driftAmp = random.uniform(15, 35);
    p.twinkleFreq = random.uniform(2, 5);
    p.delay = random.uniform(0, 1.2);
    p.lifetime = random.uniform(4.5, 6.5);
  }
  return particles;
}

double envelope(double p) {
  if (p < 0.2) return p / 0.2;
  if (p > 0.7) return (1 - p) / 0.3;
  return 1;
}

std::vector<SplashDisc> frame(const std::vector<SplashParticle>& particles, double t, double w, double h) {
  std::vector<SplashDisc> discs;
  discs.reserve(particles.size() * 2);
  for (const auto& particle : particles) {
    const double age = t - particle.delay;
    if (!(age > 0)) continue;
    const double p = age / particle.lifetime;
    if (!(p < 1)) continue;
    const double alpha = envelope(p) * particle.opacity * (0.8 + 0.2 * std::sin(age * particle.twinkleFreq));
    const double cx = particle.x * w + std::sin(age * particle.driftFreq) * particle.driftAmp;
    const double cy = particle.y * h - age * particle.speed;
    discs.push_back({cx, cy, particle.size * 3.5, alpha * 0.15, particle.color});
    discs.push_back({cx, cy, particle.size, alpha * 0.85, particle.color});
  }
  return discs;
}

}  // namespace splash

SplashTimeline::SplashTimeline(Scheduler& scheduler, Steps steps)
    : scheduler_(scheduler), steps_(std::move(steps)) {}

void SplashTimeline::start() {
  if (started_) return;
  started_ = true;
  scheduler_.schedule(splash::kTitleDelay, [this] {
    if (steps_.showTitle) steps_.showTitle();
    scheduler_.schedule(splash::kHold, [this] {
      if (steps_.fadeOut) steps_.fadeOut();
      scheduler_.schedule(splash::kFadeOut, [this] {
        complete_ = true;
        // The owner may drop the splash, and this timeline with it, from here.
        const auto complete = steps_.complete;
        if (complete) complete();
      });
    });
  });
}

}  // namespace kivari
