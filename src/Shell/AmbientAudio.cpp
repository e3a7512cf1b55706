#include "Shell/AmbientAudio.h"

#include <cmath>
#include <numbers>

namespace kivari {

namespace drone {

namespace {

struct Partial {
  double frequency;
  double amplitude;
};
// C3, G3, E4 and B4, each with a copy detuned up by 1.002 at 0.4 of its level.
constexpr Partial kPartials[] = {{130.81, 0.012}, {196.0, 0.01}, {329.63, 0.008}, {493.88, 0.006}};
constexpr double kDetune = 1.002;
constexpr double kDetunedLevel = 0.4;

}  // namespace

double chord(double t) {
  constexpr double twoPi = 2 * std::numbers::pi;
  const double swell = 0.7 + 0.3 * std::sin(twoPi * 0.12 * t);
  double sample = 0;
  for (const auto& [f, a] : kPartials) {
    sample += std::sin(twoPi * f * t) * a * swell;
    sample += std::sin(twoPi * f * kDetune * t) * a * kDetunedLevel * swell;
  }
  return sample;
}

double edgeFade(std::size_t i) {
  if (i < kFadeFrames) return static_cast<double>(i) / kFadeFrames;
  if (i > kFrameCount - kFadeFrames) return static_cast<double>(kFrameCount - i) / kFadeFrames;
  return 1;
}

std::vector<float> samples() {
  std::vector<float> out(kFrameCount);
  for (std::size_t i = 0; i < kFrameCount; ++i) {
    out[i] = static_cast<float>(chord(static_cast<double>(i) / kSampleRate) * edgeFade(i));
  }
  return out;
}

}  // namespace drone

AmbientAudio::AmbientAudio(Scheduler& scheduler, DroneOutputFactory makeOutput)
    : steps_(scheduler), makeOutput_(std::move(makeOutput)) {}

AmbientAudio::~AmbientAudio() {
  steps_.cancelAll();
  if (output_) output_->stop();
}

void AmbientAudio::start() {
  if (output_) {
    output_->stop();
    output_.reset();
  }
  auto output = makeOutput_ ? makeOutput_(std::make_shared<const std::vector<float>>(drone::samples())) : nullptr;
  if (!output) return;
  output_ = std::move(output);
  rampVolume(drone::kPlayingVolume, drone::kFadeInSeconds);
}

void AmbientAudio::fadeOut(double seconds) {
  rampVolume(0, seconds);
  const auto releaseAfter = Scheduler::Duration{std::llround((seconds + drone::kReleaseAfterFade) * 1000)};
  steps_.schedule(releaseAfter, [this, output = output_] {
    if (!output) return;
    output->stop();
    if (output_ == output) output_.reset();
  });
}

void AmbientAudio::rampVolume(float target, double seconds) {
  const auto output = output_;
  if (!output) return;
  const float from = output->volume();
  const float step = (target - from) / drone::kRampSteps;
  // Every step is timed from the call, so rounding never adds up.
  for (int i = 1; i <= drone::kRampSteps; ++i) {
    const Scheduler::Duration at{std::llround(seconds * 1000 * i / drone::kRampSteps)};
    steps_.schedule(at, [output, from, step, i] { output->setVolume(from + step * static_cast<float>(i)); });
  }
}

}  // namespace kivari
