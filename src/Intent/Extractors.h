#pragma once

#include "Core/Url.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace kivari::IntentClassifier
