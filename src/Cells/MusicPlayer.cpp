#include "Cells/MusicPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kivari {

const std::array<MusicPlayer::Track, 6> MusicPlayer::kTracks{{
    {"Gymnopédie No. 1", "Erik Satie"},
    {"Clair de Lune", "Claude Debussy"},
    {"An Ending (Ascent)", "Brian Eno"},
    {"Spiegel im Spiegel", "Arvo Pärt"},
    {"The Lark Ascending", "Ralph Vaughan Williams"},
    {"Weightless", "Marconi Union"},
}};

MusicPlayer::MusicPlayer(std::string query, Scheduler& scheduler, RandomSource& random)
    : query_(std::move(query)), random_(random), loop_(scheduler, kPass, [this] { pass(); }) {
  pickTrack();
}

void MusicPlayer::start() { loop_.start(); }

void MusicPlayer::togglePlaying() {
  isPlaying_ = !isPlaying_;
  changed_.emit();
}

void MusicPlayer::skip() {
  pickTrack();
  isPlaying_ = true;
  changed_.emit();
}

void MusicPlayer::pickTrack() {
  track_ = &kTracks[random_.pick(kTracks.size())];
  passes_ = 0;
}

void MusicPlayer::pass() {
  // At the end the player stays on its track, still playing, until skipped.
  if (!isPlaying_ || passes_ >= kPassesPerTrack) return;
  ++passes_;
  changed_.emit();
}

std::string MusicPlayer::formatTime(double seconds) {
  // The cap keeps the conversion defined for any finite input.
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  const auto t = static_cast<std::int64_t>(std::min(seconds, 1e12));
  const std::int64_t s = t % 60;
  return std::to_string(t / 60) + (s < 10 ? ":0" : ":") + std::to_string(s);
}

}  // namespace kivari
