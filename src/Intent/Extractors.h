#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Core/Url.h"

// The rules that pull parameters out of a request: addresses, searches,
// timers, games, reminders, messages and e-mails.
namespace kivari::IntentClassifier {

struct TimerIntent {
  std::int64_t seconds = 0;
  std::string label;
  bool operator==(const TimerIntent&) const = default;
};

struct MessageIntent {
  std::string recipient;
  std::string body;
  bool operator==(const MessageIntent&) const = default;
};

struct EmailIntent {
  std::string to;
  std::string subject;
  std::string body;
  bool operator==(const EmailIntent&) const = default;
};

struct KnownGame {
  std::string keyword;
  std::string displayName;
};

// Typed text to a web address; callable from any thread.
std::optional<Url> normalizeURL(std::string_view text);

std::optional<Url> extractURL(std::string_view trimmed);
std::optional<std::string> extractSearchQuery(std::string_view lower);
// The web-search address for a query; none when it does not parse.
std::optional<Url> searchURL(std::string_view query);
std::optional<TimerIntent> extractTimerIntent(std::string_view lower);
std::optional<std::string> extractGameIntent(std::string_view lower);
std::optional<std::string> extractReminderIntent(std::string_view lower);
std::optional<MessageIntent> extractMessageIntent(std::string_view lower);
std::optional<EmailIntent> extractEmailIntent(std::string_view lower);

const std::vector<KnownGame>& knownGames();

struct CompiledRegex;

// One entry of a pattern list: a regular expression (ICU syntax, compiled
// case-insensitively once, when the entry is made), the capture group giving
// the first text (-1 for none) and the one giving the second.
class PatternTriple {
 public:
  PatternTriple(std::string pattern, int rGroup, std::optional<int> bGroup = std::nullopt);

  const std::string& pattern() const { return pattern_; }
  int rGroup() const { return rGroup_; }
  std::optional<int> bGroup() const { return bGroup_; }
  // False when the expression does not compile; such an entry never matches.
  bool compiles() const { return regex_ != nullptr; }

 private:
  friend struct RegexAccess;
  std::string pattern_;
  int rGroup_;
  std::optional<int> bGroup_;
  std::shared_ptr<const CompiledRegex> regex_;
};

// The texts of the first entry whose expression matches anywhere in the
// input (leftmost match), each trimmed of blanks and tabs and empty when its
// group gives nothing; none when no entry matches.
std::optional<std::pair<std::string, std::string>> matchPatterns(
    std::string_view input, std::span<const PatternTriple> patterns);

// The lists the extractors go through, in the order they are tried.
inline constexpr std::array<std::string_view, 9> urlVerbs = {
    "go to ",   "open ",       "browse ",  "visit ", "navigate to ",
    "show me ", "take me to ", "pull up ", "load "};
inline constexpr std::array<std::string_view, 12> searchPrefixes = {
    "search for ", "search ",   "look up ", "google ", "find ",   "look for ",
    "what is ",    "what are ", "who is ",  "how to ", "why do ", "why does "};
inline constexpr std::array<std::string_view, 3> gameVerbs = {"play ", "launch ", "start "};
inline constexpr std::array<std::string_view, 10> reminderPrefixes = {
    "remind me to ",        "reminder to ",     "remember to ", "don't forget to ",
    "set a reminder ",      "remind me about ", "remind me ",   "don't let me forget to ",
    "don't let me forget ", "reminder: "};

// Count in the first group, unit (when there is one) in the second.
const std::vector<PatternTriple>& timerPatterns();
// Recipient in the first group, body in the second.
const std::vector<PatternTriple>& messagePatterns();
// Address in the first group, subject in the second.
const std::vector<PatternTriple>& emailPatterns();

}  // namespace kivari::IntentClassifier
