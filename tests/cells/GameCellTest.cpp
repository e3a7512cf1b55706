#include "Cells/GameCell.h"

#include <gtest/gtest.h>

namespace kivari {
namespace {

TEST(GameCell, BackboneIsTheFirstKeyInTheLowerCasedNameOrTheNameAsGiven) {
  EXPECT_EQ(dnaBackbone("Candy Crush Saga"), dnaBackbone("candy crush"));
  EXPECT_EQ(dnaBackbone("CHESS"), dnaBackbone("chess"));
  EXPECT_EQ(dnaBackbone("Chess Tetris"), "Tetris Holding");
  EXPECT_EQ(dnaBackbone("2048 Classic"), dnaBackbone("2048"));
  EXPECT_NE(dnaBackbone("2048"), "2048 API");
  EXPECT_EQ(dnaBackbone("candycrush"), "candycrush API");
  EXPECT_EQ(dnaBackbone("Snake"), "Snake API");
  EXPECT_EQ(dnaBackbone("snake"), "snake API");
  EXPECT_EQ(dnaBackbone(""), " API");
  EXPECT_EQ(dnaBackbone(" <b>Go</b>\xff"), " <b>Go</b>\xff API");
}

TEST(GameCell, ShownTextKeepsTheFirstHundredCharactersWholeAndMarksTheCut) {
  const std::string hundred(100, 'q');
  EXPECT_EQ(shownText(hundred), hundred);
  EXPECT_EQ(shownText(hundred + "r"), hundred + "\u2026");
  // "é" is two bytes and "𝄞" four: the cut falls between characters.
  const std::string accents = std::string(99, 'q') + "\u00e9\U0001D11E";
  EXPECT_EQ(shownText(accents), std::string(99, 'q') + "\u00e9\u2026");
  EXPECT_EQ(shownText(std::string(65535, 'q')).size(), 100u + 3u);
  EXPECT_EQ(shownText(""), "");
}

TEST(GameCell, StepsCompleteEvery900MsThePageFollows500MsLaterAndCancelStopsAll) {
  using ms = Scheduler::Duration;
  ManualScheduler clock;
  int changes = 0;
  MaterializationSequence sequence(clock, [&] { ++changes; });
  sequence.start();
  sequence.start();
  for (const auto& [at, index] : {std::pair{899, 0}, {900, 1}, {1799, 1}, {1800, 2}, {3599, 3}, {3600, 4}}) {
    clock.advance(ms(at) - clock.now());
    EXPECT_EQ(sequence.stepIndex(), index) << at;
  }
  clock.advance(ms(499));
  EXPECT_FALSE(sequence.isCellActive());
  clock.advance(ms(1));
  EXPECT_TRUE(sequence.isCellActive());
  clock.advance(ms(10000));
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(clock.pendingCount(), 0u);
  EXPECT_EQ(stepState(3, 3), StepState::current);
  EXPECT_EQ(stepState(3, 4), StepState::done);
  EXPECT_EQ(stepState(2, 1), StepState::pending);

  MaterializationSequence cancelled(clock, [&] { ++changes; });
  cancelled.start();
  clock.advance(ms(900));
  cancelled.cancel();
  { MaterializationSequence destroyed(clock, [&] { ++changes; }); destroyed.start(); }
  clock.advance(ms(10000));
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(cancelled.stepIndex(), 1);
}

}  // namespace
}  // namespace kivari
