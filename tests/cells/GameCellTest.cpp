#include "Cells/GameCell.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace kivari {
namespace {

TEST(GameBackbone, FirstKeyFoundInTheLowerCasedNameWins) {
  EXPECT_EQ(dnaBackbone("Candy Crush Saga"), dnaBackbone("candy crush"));
  EXPECT_EQ(dnaBackbone("CHESS"), dnaBackbone("chess"));
  EXPECT_NE(dnaBackbone("chess"), "chess API");
  EXPECT_EQ(dnaBackbone("Chess Tetris"), "Tetris Holding");
  EXPECT_EQ(dnaBackbone("2048 Classic"), dnaBackbone("2048"));
  EXPECT_NE(dnaBackbone("2048"), "2048 API");
  // Keys match only as one run of characters.
  EXPECT_EQ(dnaBackbone("candycrush"), "candycrush API");
}

TEST(GameBackbone, AnyOtherNameIsKeptAsGiven) {
  EXPECT_EQ(dnaBackbone("Snake"), "Snake API");
  EXPECT_EQ(dnaBackbone("snake"), "snake API");
  EXPECT_EQ(dnaBackbone(""), " API");
  EXPECT_EQ(dnaBackbone(" Pong\n"), " Pong\n API");
  // Markup and bad bytes are only text here; the view shows them as such.
  EXPECT_EQ(dnaBackbone("<b>Go</b> & _x"), "<b>Go</b> & _x API");
  EXPECT_EQ(dnaBackbone("\xff"), "\xff API");
  EXPECT_EQ(materializationSteps("X")[0].label, "Reading DNA from X backbone\u2026");
}

TEST(MatchThreePage, TheProgramHoldsTheSourceFileUnchanged) {
  std::ifstream file(KIVARI_SOURCE_DIR "/src/Cells/match-three.html", std::ios::binary);
  std::stringstream source;
  source << file.rdbuf();
  ASSERT_FALSE(source.str().empty());
  EXPECT_EQ(matchThreeHTML(), source.str());
  EXPECT_EQ(&matchThreeHTML(), &matchThreeHTML());
}

TEST(Materialization, StepsCompleteEvery900MsAndThePageFollows500MsLater) {
  ManualScheduler clock;
  std::vector<std::pair<int, bool>> seen;
  MaterializationSequence sequence(clock, [&] { seen.emplace_back(sequence.stepIndex(), sequence.isCellActive()); });
  clock.advance(std::chrono::seconds(10));
  EXPECT_TRUE(seen.empty()) << "nothing runs before start()";

  sequence.start();
  sequence.start();
  const std::pair<int, int> marks[] = {{899, 0}, {900, 1}, {1799, 1}, {1800, 2}, {2700, 3}, {3599, 3}, {3600, 4}};
  Scheduler::Duration at{0};
  for (const auto& [ms, index] : marks) {
    clock.advance(Scheduler::Duration(ms) - at);
    at = Scheduler::Duration(ms);
    EXPECT_EQ(sequence.stepIndex(), index) << ms;
    EXPECT_FALSE(sequence.isCellActive()) << ms;
  }
  clock.advance(Scheduler::Duration(499));
  EXPECT_FALSE(sequence.isCellActive());
  clock.advance(Scheduler::Duration(1));
  EXPECT_TRUE(sequence.isCellActive());
  EXPECT_EQ(sequence.stepIndex(), 4);
  clock.advance(std::chrono::seconds(10));
  const std::vector<std::pair<int, bool>> expected{{1, false}, {2, false}, {3, false}, {4, false}, {4, true}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST(Materialization, NothingRunsAfterCancelOrDestruction) {
  ManualScheduler clock;
  int changes = 0;
  {
    MaterializationSequence sequence(clock, [&] { ++changes; });
    sequence.start();
    clock.advance(Scheduler::Duration(1000));
    sequence.cancel();
    clock.advance(std::chrono::seconds(10));
    EXPECT_EQ(sequence.stepIndex(), 1);
    EXPECT_FALSE(sequence.isCellActive());
  }
  {
    MaterializationSequence sequence(clock, [&] { ++changes; });
    sequence.start();
  }
  clock.advance(std::chrono::seconds(10));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST(Materialization, EachRowIsDoneCurrentOrPendingAgainstTheStepIndex) {
  EXPECT_EQ(stepState(0, 0), StepState::current);
  EXPECT_EQ(stepState(1, 0), StepState::pending);
  EXPECT_EQ(stepState(0, 1), StepState::done);
  EXPECT_EQ(stepState(1, 1), StepState::current);
  EXPECT_EQ(stepState(3, 3), StepState::current);
  EXPECT_EQ(stepState(3, 4), StepState::done);
}

}  // namespace
}  // namespace kivari
