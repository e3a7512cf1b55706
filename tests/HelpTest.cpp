#include "Help/FlowLayout.h"
#include "Help/HelpResponse.h"
#include "Help/HelpReveal.h"
#include "Ui/Icons.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kivari {
namespace {

using std::chrono::milliseconds;

// The question a lookup shows back, or "" for none.
std::string answeredAs(const std::string& question) {
  const auto found = HelpResponse::find(question);
  return found ? found->question : "";
}

TEST(HelpResponse, FirstMatchingRuleWins) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      // Where rules meet, and the edges of their tests.
      {"How do I turn up the volume?", "How do I control volume?"},
      {"how does this work", "What can Kivari do?"},
      {"How does this OS work?", "What can Kivari do?"},
      {"show my calendar", "How do I check my calendar?"},
      {"what's the weather", ""},
      {"Can I play chess?", "How do I play games?"},
      {"How do I play music?", "How do I play games?"},
      {"how do i listen to music", "How do I play music?"},
      {"How do I email a presentation?", "How do I send an email?"},
      {"how do i schedule a meeting", "How do I check my calendar?"},
      {"where is my document", "How do I create documents, spreadsheets, or presentations?"},
      {"where is the weather", ""},
      {"Is my data safe?", "How does Kivari handle my privacy?"},
      {"how do i update", "How does this OS work?"},  // "update" has no "data"
      {"Thanks", "thanks"},
      {"Thank You", "thank you"},
      {"thanks!", ""},
      {" thanks", ""},
      {"how are you", "How does this OS work?"},
      {"  how are you", ""},
      {"How can I mute?", "How does this OS work?"},
      {"HELP", "How does this OS work?"},
      {"ÜBER HELP", "How does this OS work?"},
      {"", ""},
  };
  for (const auto& [question, expected] : cases) EXPECT_EQ(answeredAs(question), expected) << question;
}

TEST(HelpResponse, EveryRecordIsCompleteAndDrawable) {
  // One question per rule, in rule order, with its number of examples.
  const std::vector<std::pair<std::string, std::size_t>> rules = {
      {"volume", 8}, {"features", 8},  {"how sms", 5},    {"how email", 4}, {"how game", 7},   {"how excel", 6},
      {"how weather", 5}, {"how alarm", 5}, {"how meeting", 5}, {"how zoom", 5}, {"how web", 5}, {"how note", 5},
      {"how remind", 4}, {"how lock", 4}, {"how listen", 5}, {"privacy", 5}, {"ty", 4},        {"help", 8},
  };
  std::size_t total = 0;
  for (const auto& [question, count] : rules) {
    const auto found = HelpResponse::find(question);
    ASSERT_TRUE(found) << question;
    EXPECT_EQ(found->examples.size(), count) << question;
    EXPECT_FALSE(found->answer.empty());
    EXPECT_NE(iconNameForSymbol(found->icon), "image-missing-symbolic") << found->icon;
    for (const auto& example : found->examples) EXPECT_FALSE(example.empty());
    total += found->examples.size();
  }
  EXPECT_EQ(total, 98u);
  EXPECT_NE(iconNameForSymbol("questionmark.bubble.fill"), "image-missing-symbolic");
}

TEST(HelpResponse, FallbackKeepsTheQuestionAsTyped) {
  const HelpResponse fallback = helpResponseFor("Why is the SKY blue?  ");
  EXPECT_EQ(fallback.question, "Why is the SKY blue?  ");
  EXPECT_EQ(fallback.examples.size(), 6u);
  EXPECT_EQ(fallback.examples.front(), "how does this work?");
  // A known question gets the knowledge base's answer instead.
  EXPECT_EQ(helpResponseFor("HELP").question, "How does this OS work?");
}

TEST(FlowLayout, RowsWrapWithTheirExactArithmetic) {
  using Size = FlowLayout::Size;
  using Point = FlowLayout::Point;
  const FlowLayout flow(8);

  auto none = flow.arrange(100, {});
  EXPECT_TRUE(none.positions.empty());
  EXPECT_EQ(none.size, (Size{0, 0}));

  // Two items in one row: the width counts one trailing spacing.
  EXPECT_EQ(flow.arrange(FlowLayout::kOpenWidth, {{100, 20}, {50, 20}}).size, (Size{166, 20}));

  // An open width never wraps.
  auto open = flow.arrange(FlowLayout::kOpenWidth, {{300, 10}, {300, 10}, {300, 10}});
  EXPECT_EQ(open.positions.back(), (Point{616, 0}));
  EXPECT_EQ(open.size, (Size{924, 10}));

  // Width 0: a row per item, never narrowed.
  auto column = flow.arrange(0, {{40, 10}, {70, 20}, {30, 5}});
  EXPECT_EQ(column.positions, (std::vector<Point>{{0, 0}, {0, 18}, {0, 46}}));
  EXPECT_EQ(column.size, (Size{78, 51}));

  // Ending exactly at the edge stays in the row; one more pixel wraps.
  auto exact = flow.arrange(108, {{50, 10}, {50, 10}, {1, 10}});
  EXPECT_EQ(exact.positions, (std::vector<Point>{{0, 0}, {58, 0}, {0, 18}}));
  EXPECT_EQ(exact.size, (Size{116, 28}));

  // A wide item goes alone at x = 0 and reaches past the edge; the rows are
  // top-aligned and the next starts below the tallest item.
  auto wide = flow.arrange(100, {{30, 10}, {40, 25}, {250, 12}, {10, 10}});
  EXPECT_EQ(wide.positions, (std::vector<Point>{{0, 0}, {38, 0}, {0, 33}, {0, 53}}));
  EXPECT_EQ(wide.size, (Size{258, 63}));
}

TEST(HelpReveal, AnswerThenOneExampleEvery120ms) {
  ManualScheduler scheduler;
  std::vector<std::pair<long, std::size_t>> steps;  // (time, examples shown) per change
  HelpReveal reveal(scheduler, 8, [&] { steps.emplace_back(scheduler.now().count(), reveal.revealedExamples()); });
  scheduler.advance(milliseconds(1000));
  EXPECT_TRUE(steps.empty());  // nothing before the cell is shown
  reveal.start();
  reveal.start();  // shown again: runs once
  scheduler.advance(milliseconds(299));
  EXPECT_FALSE(reveal.showAnswer());
  scheduler.advance(milliseconds(5000));
  ASSERT_EQ(steps.size(), 9u);
  EXPECT_EQ(steps[0], (std::pair<long, std::size_t>{1300, 0}));
  for (std::size_t k = 1; k <= 8; ++k) {
    EXPECT_EQ(steps[k], (std::pair<long, std::size_t>{1300 + 120 * static_cast<long>(k), k}));
  }
  EXPECT_EQ(scheduler.pendingCount(), 0u);

  // No examples: the answer, and nothing after it.
  bool changed = false;
  HelpReveal bare(scheduler, 0, [&] { changed = true; });
  bare.start();
  scheduler.advance(milliseconds(300));
  EXPECT_TRUE(changed && bare.showAnswer());
  EXPECT_EQ(scheduler.pendingCount(), 0u);

  // Gone before its time: nothing is left to run.
  {
    HelpReveal early(scheduler, 3, [] { FAIL(); });
    early.start();
  }
  EXPECT_EQ(scheduler.pendingCount(), 0u);
}

}  // namespace
}  // namespace kivari
