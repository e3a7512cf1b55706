#pragma once

#include "Cells/RandomSource.h"
#include "Core/Scheduler.h"

#include <sigc++/signal.h>

#include <array>
#include <string>
#include <string_view>

namespace kivari {

// The music cell's simulated player: a track drawn from a fixed list and a
// position that moves every 200 ms while playing. It makes no sound.
class MusicPlayer {
 public:
  struct Track {
    std::string_view title;
    std::string_view artist;
  };
  static const std::array<Track, 6> kTracks;
  static constexpr Scheduler::Duration kPass{200};
  static constexpr double kTrackSeconds = 240;
  // Each pass moves the position by 0.0008 of the track; counting passes
  // keeps the end exact.
  static constexpr int kPassesPerTrack = 1250;

  MusicPlayer(std::string query, Scheduler& scheduler, RandomSource& random);

  // Starts the 200 ms loop; later calls do nothing.
  void start();
  void togglePlaying();
  // A new random track (perhaps the same), from its start, playing.
  void skip();

  bool isPlaying() const { return isPlaying_; }
  const Track& track() const { return *track_; }
  double progress() const { return static_cast<double>(passes_) / kPassesPerTrack; }
  std::string elapsedText() const { return formatTime(progress() * kTrackSeconds); }
  static std::string lengthText() { return formatTime(kTrackSeconds); }

  // Fired after any change of the track, the position or the playing flag.
  sigc::signal<void()>& signalChanged() { return changed_; }

  // Whole minutes and two-digit seconds, truncated: 59.9 gives "0:59".
  // Anything but a finite, non-negative number of seconds gives "0:00".
  static std::string formatTime(double seconds);

 private:
  void pickTrack();
  void pass();

  std::string query_;  // kept, never read: every request gets the same list
  RandomSource& random_;
  const Track* track_ = &kTracks[0];
  bool isPlaying_ = false;
  int passes_ = 0;
  RepeatingTask loop_;
  sigc::signal<void()> changed_;
};

}  // namespace kivari
