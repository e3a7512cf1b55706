#include "Intent/Suggestions.h"

#include <gtest/gtest.h>

#include <set>

namespace kivari::IntentClassifier {
namespace {

// 1-based table positions of the rows a filter kept.
std::vector<int> rowNumbers(const std::vector<IntentSuggestion>& kept) {
  std::vector<int> numbers;
  const auto& all = suggestions();
  for (const auto& row : kept) {
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i].id == row.id) numbers.push_back(static_cast<int>(i) + 1);
    }
  }
  return numbers;
}

bool isBareHostRequest(const std::string& example) {
  const std::string prefix = "go to ";
  if (example.rfind(prefix, 0) != 0) return false;
  const std::string host = example.substr(prefix.size());
  return !host.empty() && host.find('.') != std::string::npos &&
         host.find_first_of(":/ ") == std::string::npos;
}

TEST(SuggestionsTable, RowsAreTheFixedTableInOrder) {
  const auto& rows = suggestions();
  ASSERT_EQ(rows.size(), 25u);
  auto expectRow = [&](int number, const char* example, const char* label, const char* proto) {
    const auto& row = rows[static_cast<std::size_t>(number - 1)];
    EXPECT_EQ(row.example, example) << "row " << number;
    EXPECT_EQ(row.label, label) << "row " << number;
    EXPECT_EQ(row.proto, proto) << "row " << number;
  };
  expectRow(1, "how does this work?", "Ask me anything", "Assistant");
  expectRow(4, "calculator", "Calculator", "Local Runtime");
  expectRow(5, "make a spreadsheet", "Spreadsheet \xE2\x80\x94 pick DNA", "Multi");
  expectRow(10, "start a video call", "Video Call \xE2\x80\x94 pick DNA", "WebRTC");
  expectRow(12, "search for recipes", "Web Search", "HTTPS");
  expectRow(16, "I'm bored", "Random game", "HTTPS+WS");
  expectRow(18, "what's the weather", "Weather", "REST API");
  expectRow(25, "lock my computer", "Lock Screen", "System");

  EXPECT_TRUE(isBareHostRequest(rows[10].example)) << rows[10].example;
  EXPECT_EQ(rows[10].label, "Browse the web");
  EXPECT_TRUE(isBareHostRequest(rows[12].example)) << rows[12].example;
  EXPECT_EQ(rows[12].label, "Gmail (Google DNA)");
}

TEST(SuggestionsTable, IdsAreDistinctAndStayTheSameForTheRun) {
  std::set<std::string> ids;
  for (const auto& row : suggestions()) ids.insert(row.id);
  EXPECT_EQ(ids.size(), 25u);
  EXPECT_EQ(&suggestions(), &suggestions());
  EXPECT_EQ(filteredSuggestions("")[3].id, suggestions()[3].id);
}

TEST(SuggestionsTable, PlaceholdersAreTheFixedListInOrder) {
  const auto& texts = placeholders();
  ASSERT_EQ(texts.size(), 17u);
  EXPECT_EQ(texts.front(), "how does this work?");
  EXPECT_EQ(texts[3], "text mom I'll be late");
  EXPECT_EQ(texts[11], "how do I send an email?");
  EXPECT_EQ(texts.back(), "email the team about standup");
  // The browse placeholder names the same site as the browse row.
  EXPECT_EQ(texts[5], suggestions()[10].example);
}

TEST(SuggestionsEquality, ComparesExamplesOnly) {
  const IntentSuggestion a("mute", "Mute", "CoreAudio");
  const IntentSuggestion b("mute", "Silence", "Other");
  EXPECT_NE(a.id, b.id);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, IntentSuggestion("Mute", "Mute", "CoreAudio"));
}

TEST(SuggestionsFilter, EmptyTextKeepsEveryRow) {
  EXPECT_EQ(filteredSuggestions(""), suggestions());
}

TEST(SuggestionsFilter, MatchesExampleOrLabelInAnyCase) {
  EXPECT_EQ(rowNumbers(filteredSuggestions("DNA")), (std::vector<int>{5, 6, 7, 10, 13, 14, 15}));
  EXPECT_EQ(rowNumbers(filteredSuggestions("play")), (std::vector<int>{14, 15, 17}));
  EXPECT_EQ(rowNumbers(filteredSuggestions("WEATHER")), (std::vector<int>{18}));
  EXPECT_EQ(rowNumbers(filteredSuggestions("lock s")), (std::vector<int>{25}));  // label only
}

TEST(SuggestionsFilter, TagsAreNotSearched) {
  EXPECT_TRUE(filteredSuggestions("multi").empty());
  EXPECT_TRUE(filteredSuggestions("CoreAudio").empty());
}

TEST(SuggestionsFilter, TextIsNotTrimmed) {
  std::vector<int> allButUnspaced;
  for (int n = 1; n <= 25; ++n) {
    if (n != 4 && n != 24) allButUnspaced.push_back(n);
  }
  EXPECT_EQ(rowNumbers(filteredSuggestions(" ")), allButUnspaced);
  EXPECT_TRUE(filteredSuggestions(" mute").empty());
}

TEST(SuggestionsFilter, NonAsciiAndBrokenTextAreSafe) {
  // The em dash of the labels is matched like any other text.
  EXPECT_EQ(rowNumbers(filteredSuggestions("\xE2\x80\x94 PICK")), (std::vector<int>{5, 6, 7, 10}));
  EXPECT_TRUE(filteredSuggestions("\xFF\xFE").empty());
}

}  // namespace
}  // namespace kivari::IntentClassifier
