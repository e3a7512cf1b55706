#include "Shell/AmbientAudio.h"

#include <cmath>
#include <condition_variable>
#include <mutex>
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
  // Nine sines a frame are too slow to call directly at start-up: each one
  // runs as a rotating phasor instead, re-seeded from the exact angle every
  // block so the rounding never builds up.
  constexpr double twoPi = 2 * std::numbers::pi;
  constexpr std::size_t kBlock = 4096;
  constexpr std::size_t kOscillators = 1 + 2 * std::size(kPartials);
  double omega[kOscillators];  // radians per frame; the swell first
  double level[kOscillators];
  omega[0] = twoPi * 0.12 / kSampleRate;
  level[0] = 0;
  for (std::size_t k = 0; k < std::size(kPartials); ++k) {
    omega[1 + 2 * k] = twoPi * kPartials[k].frequency / kSampleRate;
    level[1 + 2 * k] = kPartials[k].amplitude;
    omega[2 + 2 * k] = twoPi * kPartials[k].frequency * kDetune / kSampleRate;
    level[2 + 2 * k] = kPartials[k].amplitude * kDetunedLevel;
  }
  double stepSin[kOscillators], stepCos[kOscillators];
  for (std::size_t k = 0; k < kOscillators; ++k) {
    stepSin[k] = std::sin(omega[k]);
    stepCos[k] = std::cos(omega[k]);
  }

  std::vector<float> out(kFrameCount);
  double sine[kOscillators], cosine[kOscillators];
  for (std::size_t i = 0; i < kFrameCount; ++i) {
    if (i % kBlock == 0) {
      for (std::size_t k = 0; k < kOscillators; ++k) {
        const double angle = omega[k] * static_cast<double>(i);
        sine[k] = std::sin(angle);
        cosine[k] = std::cos(angle);
      }
    }
    double chordSum = 0;
    for (std::size_t k = 1; k < kOscillators; ++k) chordSum += sine[k] * level[k];
    const double swell = 0.7 + 0.3 * sine[0];
    out[i] = static_cast<float>(chordSum * swell * edgeFade(i));
    for (std::size_t k = 0; k < kOscillators; ++k) {
      const double s = sine[k];
      sine[k] = s * stepCos[k] + cosine[k] * stepSin[k];
      cosine[k] = cosine[k] * stepCos[k] - s * stepSin[k];
    }
  }
  return out;
}

}  // namespace drone

namespace {

struct SoundWorkCount {
  std::mutex mutex;
  std::condition_variable over;
  int count = 0;
};

// Never destroyed: a thread stuck in the sound library may outlive every static.
SoundWorkCount& soundWork() {
  static auto* work = new SoundWorkCount;
  return *work;
}

}  // namespace

SoundWork::SoundWork() {
  const std::lock_guard lock(soundWork().mutex);
  ++soundWork().count;
}

SoundWork::SoundWork(SoundWork&& other) noexcept { other.held_ = false; }

SoundWork::~SoundWork() {
  if (!held_) return;
  auto& work = soundWork();
  const std::lock_guard lock(work.mutex);
  if (--work.count == 0) work.over.notify_all();
}

bool SoundWork::settle(std::chrono::milliseconds grace) {
  auto& work = soundWork();
  std::unique_lock lock(work.mutex);
  return work.over.wait_for(lock, grace, [&work] { return work.count == 0; });
}

AmbientAudio::AmbientAudio(Scheduler& scheduler, DroneOutputFactory makeOutput)
    : steps_(scheduler), makeOutput_(std::move(makeOutput)) {}

AmbientAudio::~AmbientAudio() {
  steps_.cancelAll();
  if (output_) output_->stop();
}

void AmbientAudio::start() { start(openOutput(makeOutput_)); }

std::shared_ptr<DroneOutput> AmbientAudio::openOutput(const DroneOutputFactory& makeOutput) {
  return makeOutput ? makeOutput(std::make_shared<const std::vector<float>>(drone::samples())) : nullptr;
}

void AmbientAudio::start(std::shared_ptr<DroneOutput> output) {
  if (output_) {
    output_->stop();
    output_.reset();
  }
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
