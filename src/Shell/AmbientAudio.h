#pragma once

#include "Core/Scheduler.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace kivari {

namespace drone {

inline constexpr int kSampleRate = 44100;
inline constexpr std::size_t kFrameCount = 352800;  // 8 s
inline constexpr std::size_t kFadeFrames = 35280;   // 0.8 s at each end
inline constexpr int kRampSteps = 80;
inline constexpr float kPlayingVolume = 0.8f;
inline constexpr double kFadeInSeconds = 3.0;
inline constexpr double kFadeOutSeconds = 8.0;
inline constexpr double kReleaseAfterFade = 0.5;

// The soft C3-G3-E4-B4 chord under its slow swell, t seconds in.
double chord(double t);
// The fade at both ends of the loop, for frame i.
double edgeFade(std::size_t i);
// The whole 8 s mono loop.
std::vector<float> samples();

}  // namespace drone

// Held by each piece of sound work done on a thread of its own (opening an
// output, letting one go) until that work is over. A sound server may keep
// such a thread inside the sound library for as long as it likes, so
// nothing joins one: the process's end gives them a moment through settle().
class SoundWork {
 public:
  SoundWork();
  SoundWork(SoundWork&& other) noexcept;
  ~SoundWork();
  SoundWork(const SoundWork&) = delete;
  SoundWork& operator=(const SoundWork&) = delete;
  SoundWork& operator=(SoundWork&&) = delete;

  // Waits up to `grace` for all sound work to be over; whether it is.
  static bool settle(std::chrono::milliseconds grace);

 private:
  bool held_ = true;
};

// One sound output looping the drone. Made at volume 0.
class DroneOutput {
 public:
  virtual ~DroneOutput() = default;
  virtual float volume() const = 0;
  virtual void setVolume(float volume) = 0;
  // Silences it and lets the sound device go, never waiting on the sound
  // server; later calls do nothing.
  virtual void stop() = 0;
};

// Starts looping the samples at volume 0; none when nothing can play them
// (no sound device, no sink): the drone is then silent, and that is no error.
using DroneOutputFactory =
    std::function<std::shared_ptr<DroneOutput>(std::shared_ptr<const std::vector<float>> samples)>;

// The ambient drone under the launch splash: fades in to 0.8 over 3 s on
// start(), and on fadeOut() falls to silence and lets its output go 0.5 s
// after the fade. Each release ends the output it was given, never a newer
// one, and start() ends any output still playing.
class AmbientAudio {
 public:
  AmbientAudio(Scheduler& scheduler, DroneOutputFactory makeOutput);
  ~AmbientAudio();
  AmbientAudio(const AmbientAudio&) = delete;
  AmbientAudio& operator=(const AmbientAudio&) = delete;

  void start();
  // The same with an output opened beforehand by openOutput(), on any
  // thread: the costly part of start(). None plays nothing.
  void start(std::shared_ptr<DroneOutput> output);
  static std::shared_ptr<DroneOutput> openOutput(const DroneOutputFactory& makeOutput);
  void fadeOut(double seconds = drone::kFadeOutSeconds);
  bool isPlaying() const { return output_ != nullptr; }

 private:
  void rampVolume(float target, double seconds);

  ScopedScheduler steps_;
  DroneOutputFactory makeOutput_;
  std::shared_ptr<DroneOutput> output_;
};

}  // namespace kivari
