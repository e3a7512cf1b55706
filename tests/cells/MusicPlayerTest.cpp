#include "Cells/MusicPlayer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace kivari {
namespace {

struct CyclingRandom : RandomSource {
  std::size_t pick(std::size_t count) override { return next++ % count; }
  std::size_t next = 0;
};

TEST(MusicPlayer, FormatTimeTruncatesAndTakesOnlyFiniteNonNegativeSeconds) {
  EXPECT_EQ(MusicPlayer::formatTime(0), "0:00");
  EXPECT_EQ(MusicPlayer::formatTime(59.9), "0:59");
  EXPECT_EQ(MusicPlayer::formatTime(61), "1:01");
  EXPECT_EQ(MusicPlayer::formatTime(69.9), "1:09");
  EXPECT_EQ(MusicPlayer::formatTime(70), "1:10");
  EXPECT_EQ(MusicPlayer::formatTime(240), "4:00");
  EXPECT_EQ(MusicPlayer::formatTime(3600), "60:00");
  EXPECT_EQ(MusicPlayer::formatTime(-5), "0:00");
  EXPECT_EQ(MusicPlayer::formatTime(std::nan("")), "0:00");
  EXPECT_EQ(MusicPlayer::formatTime(std::numeric_limits<double>::infinity()), "0:00");
  EXPECT_FALSE(MusicPlayer::formatTime(1e300).empty());
}

TEST(MusicPlayer, TrackListHasSixNamedTracksOneWithANonAsciiTitle) {
  bool nonAscii = false;
  for (const auto& track : MusicPlayer::kTracks) {
    EXPECT_FALSE(track.title.empty());
    EXPECT_FALSE(track.artist.empty());
    for (const unsigned char c : track.title) nonAscii = nonAscii || c >= 0x80;
  }
  EXPECT_TRUE(nonAscii);
}

TEST(MusicPlayer, PlaysOnlyWhenToldAndStopsAtTheEndWithoutMovingOn) {
  ManualScheduler clock;
  CyclingRandom random;
  MusicPlayer player("anything", clock, random);
  EXPECT_EQ(player.track().title, MusicPlayer::kTracks[0].title);
  player.start();
  clock.advance(MusicPlayer::kPass * 10);
  EXPECT_FALSE(player.isPlaying());
  EXPECT_EQ(player.elapsedText(), "0:00");

  player.togglePlaying();
  clock.advance(MusicPlayer::kPass * 6);
  EXPECT_EQ(player.elapsedText(), "0:01");
  player.togglePlaying();
  clock.advance(MusicPlayer::kPass * 50);
  EXPECT_EQ(player.elapsedText(), "0:01");  // paused keeps its place

  player.togglePlaying();
  clock.advance(MusicPlayer::kPass * (MusicPlayer::kPassesPerTrack + 100));
  EXPECT_DOUBLE_EQ(player.progress(), 1.0);
  EXPECT_EQ(player.elapsedText(), "4:00");
  EXPECT_TRUE(player.isPlaying());
  EXPECT_EQ(player.track().title, MusicPlayer::kTracks[0].title);
}

TEST(MusicPlayer, SkipDrawsATrackFromTheStartAndPlays) {
  ManualScheduler clock;
  CyclingRandom random;
  MusicPlayer player("", clock, random);
  player.start();
  player.togglePlaying();
  clock.advance(MusicPlayer::kPass * 100);
  player.togglePlaying();
  player.skip();
  EXPECT_EQ(player.track().title, MusicPlayer::kTracks[1].title);
  EXPECT_EQ(player.progress(), 0.0);
  EXPECT_TRUE(player.isPlaying());

  // The loop ends with the cell's scheduler.
  ScopedScheduler cell(clock);
  MusicPlayer dissolved("", cell, random);
  dissolved.start();
  dissolved.togglePlaying();
  cell.cancelAll();
  clock.advance(MusicPlayer::kPass * 10);
  EXPECT_EQ(dissolved.progress(), 0.0);
}

}  // namespace
}  // namespace kivari
