#include "Intent/PhraseTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace kivari::IntentClassifier {
namespace {

using Table = std::span<const std::string_view>;

struct NamedTable {
  const char* name;
  Table phrases;
  std::size_t size;
};

const std::vector<NamedTable>& allTables() {
  using namespace phrases;
  static const std::vector<NamedTable> tables = {
      {"bored", kBored, 5},
      {"bored games", kBoredGames, 5},
      {"too loud", kTooLoud, 3},
      {"quiet", kQuiet, 6},
      {"can't hear", kCantHear, 4},
      {"call family", kCallFamily, 2},
      {"thanks", kThanks, 4},
      {"calendar event", kCalendarEvent, 14},
      {"spreadsheet", kSpreadsheet, 6},
      {"presentation", kPresentation, 7},
      {"document", kDocument, 6},
      {"video call", kVideoCall, 7},
      {"notes", kNotes, 14},
      {"weather", kWeather, 14},
      {"weather markers", kWeatherLocationMarkers, 6},
      {"music", kMusic, 16},
      {"music prefixes", kMusicQueryPrefixes, 3},
      {"music general words", kMusicGeneralWords, 4},
      {"calendar", kCalendar, 15},
      {"help openers", kHelpOpeners, 17},
      {"help topics", kHelpTopics, 14},
  };
  return tables;
}

TEST(PhraseTables, SizesAndShape) {
  for (const auto& table : allTables()) {
    SCOPED_TRACE(table.name);
    EXPECT_EQ(table.phrases.size(), table.size);
    const std::set<std::string_view> distinct(table.phrases.begin(), table.phrases.end());
    EXPECT_EQ(distinct.size(), table.phrases.size()) << "duplicate phrase";
    if (std::string_view(table.name) == "bored games") continue;
    for (std::string_view phrase : table.phrases) {
      EXPECT_FALSE(phrase.empty());
      for (char c : phrase) {
        // Lower-case ASCII only: the apostrophe is U+0027, never a curly one.
        EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80 && !(c >= 'A' && c <= 'Z')) << phrase;
      }
    }
  }
}

TEST(PhraseTables, ExactRows) {
  using namespace phrases;
  EXPECT_EQ(kBored[0], "i'm bored");
  EXPECT_EQ(kBoredGames[4], "2048");
  EXPECT_EQ(kCantHear[1], "can't hear anything");
  EXPECT_EQ(kCalendarEvent[13], "set up a meeting");
  EXPECT_EQ(kVideoCall[6], "start a meeting");
  EXPECT_EQ(kNotes[11], "i need to write something");
  EXPECT_EQ(kWeather[7], "what's it like outside");
  EXPECT_EQ(kWeatherLocationMarkers[0], "weather in ");
  EXPECT_EQ(kWeatherLocationMarkers[5], "weather at ");
  EXPECT_EQ(kMusic[12], "play lo-fi");
  EXPECT_EQ(kCalendar[14], "what's on today");
  EXPECT_EQ(kHelpOpeners[16], "is it possible");
  EXPECT_EQ(kHelpTopics[6], "what is kivari");

  const ProductivityCategory order[] = {
      ProductivityCategory::calendarEvent, ProductivityCategory::spreadsheet,
      ProductivityCategory::presentation, ProductivityCategory::document,
      ProductivityCategory::videoCall};
  ASSERT_EQ(std::size(kProductivity), std::size(order));
  for (std::size_t i = 0; i < std::size(order); ++i) EXPECT_EQ(kProductivity[i].category, order[i]);
}

// Every substring-table phrase is found on its own and buried in other text,
// with no regard to word boundaries.
TEST(PhraseTables, EverySubstringPhraseMatchesAnywhere) {
  struct Case {
    const char* name;
    Table phrases;
    bool (*matches)(std::string_view);
  };
  const Case cases[] = {
      {"notes", phrases::kNotes, matchesNotesIntent},
      {"weather", phrases::kWeather, matchesWeatherIntent},
      {"music", phrases::kMusic, matchesMusicIntent},
      {"calendar", phrases::kCalendar, matchesCalendarIntent},
      {"help topics", phrases::kHelpTopics, matchesHelpIntent},
  };
  for (const auto& c : cases) {
    for (std::string_view phrase : c.phrases) {
      SCOPED_TRACE(std::string(c.name) + ": " + std::string(phrase));
      EXPECT_TRUE(c.matches(phrase));
      EXPECT_TRUE(c.matches("zz" + std::string(phrase) + "zz"));
    }
  }
  for (const auto& [category, table] : phrases::kProductivity) {
    for (std::string_view phrase : table) {
      SCOPED_TRACE(phrase);
      EXPECT_EQ(matchProductivityIntent("zz" + std::string(phrase) + "zz"), category);
    }
  }
  EXPECT_TRUE(matchesNotesIntent("footnotes"));
  EXPECT_FALSE(matchesNotesIntent("note"));
  EXPECT_FALSE(matchesWeatherIntent("whether"));
  EXPECT_FALSE(matchesCalendarIntent("my day"));
}

// The one-pass search against a plain search phrase by phrase, over texts
// glued from pieces of phrases so that hits, near misses and overlaps are
// common.
TEST(PhraseTables, OnePassSearchAgreesWithPlainSearch) {
  const auto plainAny = [](std::string_view text, Table table) {
    return std::ranges::any_of(
        table, [&](std::string_view p) { return text.find(p) != std::string_view::npos; });
  };
  std::vector<std::string> pieces;
  for (const auto& table : allTables()) {
    for (std::string_view phrase : table.phrases) {
      pieces.emplace_back(phrase.substr(0, phrase.size() / 2));
      pieces.emplace_back(phrase.substr(phrase.size() / 2));
      pieces.emplace_back(phrase.substr(1));
    }
  }
  for (const char* extra : {" ", "  ", "e", "s", "?", "notes", "excel"}) pieces.emplace_back(extra);

  std::mt19937 rng(42);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> count(1, 8);
  int hits = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (int n = count(rng); n > 0; --n) text += pieces[pick(rng)];
    SCOPED_TRACE(text);
    std::optional<ProductivityCategory> expected;
    for (const auto& [category, table] : phrases::kProductivity) {
      if (plainAny(text, table)) {
        expected = category;
        break;
      }
    }
    ASSERT_EQ(matchProductivityIntent(text), expected);
    const bool notes = plainAny(text, phrases::kNotes);
    const bool weather = plainAny(text, phrases::kWeather);
    const bool music = plainAny(text, phrases::kMusic);
    const bool calendar = plainAny(text, phrases::kCalendar);
    ASSERT_EQ(matchesNotesIntent(text), notes);
    ASSERT_EQ(matchesWeatherIntent(text), weather);
    ASSERT_EQ(matchesMusicIntent(text), music);
    ASSERT_EQ(matchesCalendarIntent(text), calendar);
    hits += (expected || notes || weather || music || calendar) ? 1 : 0;
  }
  EXPECT_GT(hits, 1000);
}

TEST(PhraseTables, ColloquialAnswersOnlyWholeText) {
  ClassifiedIntent volumeDown, mute, volumeUp, videoCall;
  volumeDown.systemControl = SystemControlAction::volumeDown;
  mute.systemControl = SystemControlAction::mute;
  volumeUp.systemControl = SystemControlAction::volumeUp;
  videoCall.productivityCategory = ProductivityCategory::videoCall;
  struct Case {
    Table phrases;
    const ClassifiedIntent& answer;
  };
  const Case cases[] = {{phrases::kTooLoud, volumeDown},
                        {phrases::kQuiet, mute},
                        {phrases::kCantHear, volumeUp},
                        {phrases::kCallFamily, videoCall}};
  for (const auto& c : cases) {
    for (std::string_view phrase : c.phrases) {
      SCOPED_TRACE(phrase);
      EXPECT_EQ(matchColloquial(phrase), c.answer);
    }
  }
  for (std::string_view phrase : phrases::kThanks) {
    ClassifiedIntent thanks;
    thanks.expression = Expression::help(std::string(phrase));
    EXPECT_EQ(matchColloquial(phrase), thanks);
  }
  for (std::string_view text : {"i'm so bored", "be quiet please", "call mom now", "thanks a lot",
                                "quiet ", "", "bored\xCC\x81"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(matchColloquial(text), std::nullopt);
  }
  EXPECT_EQ(matchProductivityIntent("call mom now"), std::nullopt);
}

TEST(PhraseTables, BoredDrawsEachGameFreshly) {
  const std::set<std::string> expected(std::begin(phrases::kBoredGames),
                                       std::end(phrases::kBoredGames));
  std::set<std::string> seen;
  for (std::string_view phrase : phrases::kBored) {
    for (int i = 0; i < 100; ++i) {
      const auto answer = matchColloquial(phrase);
      ASSERT_TRUE(answer && answer->expression && !answer->systemControl &&
                  !answer->productivityCategory);
      const auto* game = answer->expression->as<Expression::Game>();
      ASSERT_NE(game, nullptr);
      EXPECT_TRUE(expected.contains(game->name)) << game->name;
      seen.insert(game->name);
    }
  }
  // 500 draws miss one of five names with a chance of about 1e-48.
  EXPECT_EQ(seen, expected);
}

TEST(PhraseTables, ProductivityTableOrderDecides) {
  const std::pair<const char*, std::optional<ProductivityCategory>> cases[] = {
      {"add a calendar event", ProductivityCategory::calendarEvent},
      {"set up a meeting in slides", ProductivityCategory::calendarEvent},
      {"set up a meeting", ProductivityCategory::calendarEvent},
      {"start a meeting", ProductivityCategory::videoCall},
      {"open google docs", ProductivityCategory::document},
      {"excel slides", ProductivityCategory::spreadsheet},
      {"keynote about excel", ProductivityCategory::spreadsheet},
      {"facetime and a word doc", ProductivityCategory::document},
      {"a meeting", std::nullopt},
  };
  for (const auto& [text, category] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(matchProductivityIntent(text), category);
  }
}

TEST(PhraseTables, WeatherLocation) {
  const std::pair<const char*, const char*> cases[] = {
      {"weather in paris tomorrow", "paris tomorrow"},
      // Marker order, not position, decides.
      {"forecast for rome and weather in paris", "paris"},
      {"what's the weather in tokyo", "tokyo"},
      {"temperature in \t oslo\t", "oslo"},
      {"weather in \xC2\xA0lima", "lima"},  // a no-break space is a blank
      // An empty rest moves on to the next marker.
      {"weather for oslo weather in ", "oslo weather in"},
      {"weather", ""},
      {"weather in", ""},
      {"how cold is it at the pole", ""},
      // Line breaks are not trimmed.
      {"weather at home\n", "home\n"},
  };
  for (const auto& [text, location] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(extractWeatherLocation(text), location);
  }
}

TEST(PhraseTables, MusicQuery) {
  const std::pair<const char*, const char*> cases[] = {
      {"play music", ""},
      {"listen to music", ""},
      {"play some music", ""},
      {"play a song", ""},
      {"play something", ""},
      {"play jazz", "jazz"},
      {"play something chill", "something chill"},
      {"put on some tunes", "some tunes"},
      {"i want to listen", ""},
      {"play   lofi ", "lofi"},
      {"listen to the radio", "the radio"},
      {"play", ""},
  };
  for (const auto& [text, query] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(extractMusicQuery(text), query);
  }
  EXPECT_FALSE(matchesMusicIntent("play some jazz"));
  EXPECT_TRUE(matchesMusicIntent("please play jazz now"));
}

TEST(PhraseTables, Help) {
  const std::pair<const char*, bool> cases[] = {
      {"how do i send a message", true},
      {"explaining", true},
      {"can you juggle", true},
      {"what is", true},
      {"anything at all?", true},
      {"is this safe", true},
      {"unsafe", true},
      {"thanks a lot", true},
      {"tell me about it", true},
      {"what's up", false},
      {"how", false},
      {"i can do", false},
      {"", false},
      {"?!", false},
  };
  for (const auto& [text, help] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(matchesHelpIntent(text), help);
  }
}

// A letter with a combining mark after it is another character, whether the
// accent is typed composed or decomposed.
TEST(PhraseTables, ComparesWholeCharacters) {
  const std::string acute = "\xCC\x81";    // U+0301 combining acute
  const std::string prepend = "\xD8\x80";  // U+0600, joins the character after it
  EXPECT_FALSE(matchesNotesIntent("notes" + acute));
  EXPECT_TRUE(matchesNotesIntent("notes" + acute + " notes"));
  EXPECT_FALSE(matchesNotesIntent(prepend + "notes"));
  EXPECT_TRUE(matchesNotesIntent("caf\xC3\xA9 notes"));        // é composed
  EXPECT_TRUE(matchesNotesIntent("cafe" + acute + " notes"));  // é decomposed
  EXPECT_FALSE(matchesHelpIntent("really?" + acute));
  EXPECT_FALSE(matchesHelpIntent("can i" + acute + "x"));
  EXPECT_EQ(extractMusicQuery("play" + acute + " jazz"), "");
  EXPECT_EQ(extractWeatherLocation("weather in " + acute + "x weather for y"), "y");
  EXPECT_EQ(matchProductivityIntent("excel" + acute), std::nullopt);
}

}  // namespace
}  // namespace kivari::IntentClassifier
