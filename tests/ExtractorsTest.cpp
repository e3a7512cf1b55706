#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <span>
#include <thread>
#include <tuple>
#include <vector>

#include "Intent/Extractors.h"

using namespace kivari::IntentClassifier;

namespace {

std::string address(const std::optional<kivari::Url>& url) {
  return url ? url->absoluteString() : "<none>";
}
std::string orNone(const std::optional<std::string>& text) { return text.value_or("<none>"); }

}  // namespace

TEST(Extractors, ListsKeepTheirOrderAndTrailingBlanks) {
  EXPECT_EQ(urlVerbs.back(), "load ");
  EXPECT_EQ(searchPrefixes[0], "search for ");  // before "search ", which would shadow it
  EXPECT_EQ(reminderPrefixes[6], "remind me ");
  // Without its blank a prefix would take the start of a longer word.
  for (auto list : {std::span<const std::string_view>(urlVerbs),
                    std::span<const std::string_view>(searchPrefixes),
                    std::span<const std::string_view>(gameVerbs),
                    std::span<const std::string_view>(reminderPrefixes)}) {
    for (std::string_view entry : list) EXPECT_TRUE(entry.ends_with(' ')) << entry;
  }
  ASSERT_EQ(knownGames().size(), 14u);
  EXPECT_EQ(knownGames()[9].keyword, "pac-man");
  EXPECT_EQ(knownGames()[10].displayName, "Pac-Man");
  ASSERT_EQ(timerPatterns().size(), 4u);
  ASSERT_EQ(messagePatterns().size(), 4u);
  ASSERT_EQ(emailPatterns().size(), 2u);
  EXPECT_EQ(timerPatterns()[1].pattern(), R"((\d+)\s*(second|minute|min|hour|hr)\s*timer)");
  for (const auto* list : {&timerPatterns(), &messagePatterns(), &emailPatterns()}) {
    for (const PatternTriple& entry : *list) EXPECT_TRUE(entry.compiles()) << entry.pattern();
  }
}

TEST(Extractors, Addresses) {
  const std::pair<const char*, const char*> normalized[] = {
      {"http://localhost", "http://localhost"},                // a scheme needs no dot
      {"HTTPS://Example.com", "https://HTTPS://Example.com"},  // the scheme test is case-sensitive
      {" \n example.com\r\n", "https://example.com"},
      {"ab.c", "https://ab.c"},
      {"a.b", "<none>"},
      {"a.e\xCC\x81", "<none>"},  // four code points but three characters
      {"1.5.2", "https://1.5.2"},
      {"my site.com", "<none>"},
      {"localhost", "<none>"},
      {"", "<none>"}};
  for (const auto& [typed, expected] : normalized)
    EXPECT_EQ(address(normalizeURL(typed)), expected) << typed;

  const std::pair<const char*, const char*> extracted[] = {
      {"go to example.com", "https://example.com"},
      {"Visit Example.COM", "https://Example.COM"},  // verbs compared in lower case, case kept
      {"open \t example.org/a ", "https://example.org/a"},
      // A Kelvin sign lower-cases to "k": the verb is cut by characters, not bytes.
      {"ta\u212Ae me to example.com", "https://example.com"},
      {"go to cats", "<none>"},
      {"open google docs", "<none>"}};
  for (const auto& [typed, expected] : extracted)
    EXPECT_EQ(address(extractURL(typed)), expected) << typed;
}

TEST(Extractors, SearchesAndReminders) {
  const std::pair<const char*, const char*> searches[] = {
      {"search for cats", "cats"}, {"search for", "for"}, {"what is this", "this"},
      {"what is", "<none>"},       {"find", "<none>"},    {"look up \tcats\u2003", "cats"},
      {"google cats\n", "cats\n"}};  // only blanks and tabs are trimmed
  for (const auto& [typed, expected] : searches)
    EXPECT_EQ(orNone(extractSearchQuery(typed)), expected) << typed;

  // Everything but unreserved characters is encoded, so the query reaches the engine whole.
  EXPECT_EQ(address(searchURL("fish+chips & more")),
            "https://duckduckgo.com/?q=fish%2Bchips%20%26%20more");
  EXPECT_EQ(address(searchURL("100% #1 a=b/c?")),
            "https://duckduckgo.com/?q=100%25%20%231%20a%3Db%2Fc%3F");
  EXPECT_EQ(address(searchURL("caf\u00e9 a-b.c_d~e")),
            "https://duckduckgo.com/?q=caf%C3%A9%20a-b.c_d~e");

  const std::pair<const char*, const char*> reminders[] = {
      {"remind me to buy milk", "buy milk"},
      {"remind me about the dentist", "the dentist"},
      {"set a reminder to call the bank", "to call the bank"},
      {"reminder: \tstand up", "stand up"},
      {"remind me", "<none>"},
      {"remind me to ", "to"}};  // "remind me " takes what "remind me to " leaves empty
  for (const auto& [typed, expected] : reminders)
    EXPECT_EQ(orNone(extractReminderIntent(typed)), expected) << typed;
}

TEST(Extractors, TimerIntent) {
  const std::pair<const char*, std::int64_t> cases[] = {
      {"set a timer for 10 minutes", 600},
      {"timer for 90 seconds", 90},
      {"timer 2 hrs", 7200},
      {"5 min timer", 300},
      {"timer for 45", 45},
      {"countdown 30", 30},
      {"timer for 2 h", 2},  // "h" is no unit: the bare number
      {"timer for 0 minutes", 0},
      {"timer", -1},
      {"timer for \u0663 minutes", -1},  // a non-ASCII digit matches \d but is no count
      {"timer for 9223372036854775807 seconds", INT64_MAX},
      {"timer for 9223372036854775808 seconds", -1},
      {"timer for 153722867280912930 minutes", 153722867280912930 * 60},
      // The product overflows: no timer, rather than the count read as seconds.
      {"timer for 153722867280912931 minutes", -1}};
  for (const auto& [typed, seconds] : cases) {
    const auto timer = extractTimerIntent(typed);
    EXPECT_EQ(timer ? timer->seconds : -1, seconds) << typed;
    EXPECT_TRUE(!timer || timer->label.empty()) << typed;
  }
  EXPECT_EQ(extractTimerIntent("pomodoro timer for 5 minutes"), (TimerIntent{1500, "Pomodoro"}));
}

TEST(Extractors, GameIntent) {
  const std::pair<const char*, const char*> cases[] = {
      {"play tetris", "Tetris"},
      {"launch pacman", "Pac-Man"},
      {"play snake or chess", "Chess"},  // table order, not text order
      {"play a word game", "A Word Game"},
      {"play \u00e9clair game", "\u00c9clair Game"},
      {"play \u00dfig game", "Ssig Game"},
      {"2048", "2048"},
      {"start the engine", "<none>"},
      {"i like chess", "<none>"}};
  for (const auto& [typed, expected] : cases)
    EXPECT_EQ(orNone(extractGameIntent(typed)), expected) << typed;
}

TEST(Extractors, MatchPatterns) {
  using Texts = std::optional<std::pair<std::string, std::string>>;
  const std::vector<PatternTriple> patterns = {
      {"(unclosed", 0, 1}, {"call (\\w+)( now)?", 1, 2}, {"ring (\\w+)", 5, -2}, {"x", 0}};
  EXPECT_FALSE(patterns[0].compiles());
  // Case-insensitive; group 2 takes no part.
  EXPECT_EQ(matchPatterns("please CALL Bob", patterns), (Texts{{"Bob", ""}}));
  EXPECT_EQ(matchPatterns("call ann now", patterns), (Texts{{"ann", "now"}}));
  // No usable group, yet the match ends the search.
  EXPECT_EQ(matchPatterns("ring ann", patterns), (Texts{{"", ""}}));
  EXPECT_EQ(matchPatterns("nothing", patterns), std::nullopt);
}

TEST(Extractors, MessagesAndEmails) {
  const std::tuple<const char*, const char*, const char*> messages[] = {
      {"text mom", "mom", ""},
      {"text mom i'll be late", "mom", "i'll be late"},
      {"send a message to john smith saying running late", "john smith", "running late"},
      {"message alice about the party", "alice", "the party"},
      {"text mom that i'm late", "mom", "i'm late"},
      {"send a message to mom see you soon", "mom", "see you soon"},
      {"sms bob see you", "bob", "see you"},
      {"send a message", "", ""},
      {"write a text", "", ""}};
  for (const auto& [typed, recipient, body] : messages) {
    EXPECT_EQ(extractMessageIntent(typed), (MessageIntent{recipient, body})) << typed;
  }
  EXPECT_EQ(extractMessageIntent("text"), std::nullopt);

  const std::tuple<const char*, const char*, const char*> emails[] = {
      {"write an email", "", ""},
      {"email bob about lunch", "bob", "lunch"},
      {"send an email to jane.doe+x@example.com regarding the q3 report", "jane.doe+x@example.com",
       "the q3 report"},
      {"mail ann re: dinner", "ann", "dinner"},
      {"voicemail is full", "is", ""}};  // "mail" is found inside a word
  for (const auto& [typed, to, subject] : emails) {
    EXPECT_EQ(extractEmailIntent(typed), (EmailIntent{to, subject, ""})) << typed;
  }
}

// How fast the worst cases run is measured in bench/ClassifyBench.cpp.
TEST(Extractors, BadInputIsSafe) {
  const auto runAll = [](std::string_view text) {
    (void)normalizeURL(text);
    (void)extractURL(text);
    if (auto query = extractSearchQuery(text)) (void)searchURL(*query);
    (void)extractTimerIntent(text);
    (void)extractGameIntent(text);
    (void)extractReminderIntent(text);
    (void)extractMessageIntent(text);
    (void)extractEmailIntent(text);
  };
  std::mt19937 random(7);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  for (std::string_view text :
       {std::string_view("\xff\xfe go to \xc3"), std::string_view("text \x01\x7f\x1b[2J mom"),
        std::string_view(noise)}) {
    runAll(text);
  }
  // Bytes that are not UTF-8 become U+FFFD.
  EXPECT_EQ(orNone(extractGameIntent("play \xf0\x9f game")), "\xEF\xBF\xBD Game");
  EXPECT_EQ(address(searchURL("a\xff")), "https://duckduckgo.com/?q=a%FF");

  // Worst cases for the searches: digit runs before a unit, lazy names over repeated verbs.
  std::vector<std::string> lines;
  for (std::string unit : {"1", "text ", "timer for 1", "play game ", "a.", "count down "}) {
    std::string line;
    while (line.size() < (1u << 20)) line += unit;
    lines.push_back(line);
    lines.push_back(line.substr(0, 16 * 1024 - 20) + " 5 min timer");
  }
  for (const std::string& line : lines) runAll(line);
}

TEST(Extractors, CallableFromManyThreads) {
  std::atomic<int> wrong = 0;
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&wrong] {
      for (int n = 0; n < 200; ++n) {
        wrong += address(normalizeURL("example.com")) != "https://example.com";
        wrong += extractTimerIntent("5 min timer") != TimerIntent{300, ""};
        wrong += extractMessageIntent("text mom") != MessageIntent{"mom", ""};
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
}
