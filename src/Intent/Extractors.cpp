#include "Intent/Extractors.h"

#include "Core/Text.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace kivari::IntentClassifier {

struct CompiledRegex {
  std::unique_ptr<const icu::RegexPattern> pattern;
};

struct RegexAccess {
  static const icu::RegexPattern* pattern(const PatternTriple& entry) {
    return entry.regex_ ? entry.regex_->pattern.get() : nullptr;
  }
};

PatternTriple::PatternTriple(std::string pattern, int rGroup, std::optional<int> bGroup)
    : pattern_(std::move(pattern)), rGroup_(rGroup), bGroup_(bGroup) {
  if (pattern_.size() > static_cast<std::size_t>(INT32_MAX)) return;
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError{};
  const auto source = icu::UnicodeString::fromUTF8(
      icu::StringPiece(pattern_.data(), static_cast<int32_t>(pattern_.size())));
  std::unique_ptr<icu::RegexPattern> compiled(
      icu::RegexPattern::compile(source, UREGEX_CASE_INSENSITIVE, parseError, status));
  if (U_FAILURE(status) || compiled == nullptr) return;
  auto regex = std::make_shared<CompiledRegex>();
  regex->pattern = std::move(compiled);
  regex_ = std::move(regex);
}

namespace {

// Text longer than this is no request the patterns are meant for; searching
// it would only cost time (each search scans the whole text).
constexpr std::size_t kMaxPatternInputBytes = 16 * 1024;
// Caps the backtracking of one search, in ICU steps of 10 000 saved states.
// Linear searches of text within the length bound stay far below it; it cuts
// short the ones that go quadratic (a run of digits for "(\d+)...timer", a
// lazy name over "text text text ..."), which then count as not matching.
constexpr int32_t kMatchStepLimit = 10;

constexpr std::string_view kPomodoro = "pomodoro";
constexpr std::int64_t kPomodoroSeconds = 25 * 60;
constexpr std::string_view kSearchAddress = "https://duckduckgo.com/?q=";

bool isBlankOrTab(UChar32 c) { return c == u'\t' || u_charType(c) == U_SPACE_SEPARATOR; }

// The code point at the front or the back of the text; negative when the
// bytes there are not UTF-8. Looks at four bytes at most, so any length works.
struct Step {
  UChar32 c;
  std::size_t length;
};
Step firstCodePoint(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto window = static_cast<int32_t>(std::min<std::size_t>(text.size(), U8_MAX_LENGTH));
  int32_t offset = 0;
  UChar32 c = 0;
  U8_NEXT(bytes, offset, window, c);
  return {c, static_cast<std::size_t>(offset)};
}
Step lastCodePoint(std::string_view text) {
  const std::size_t windowStart = text.size() - std::min<std::size_t>(text.size(), U8_MAX_LENGTH);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data() + windowStart);
  auto offset = static_cast<int32_t>(text.size() - windowStart);
  const int32_t end = offset;
  UChar32 c = 0;
  U8_PREV(bytes, 0, offset, c);
  return {c, static_cast<std::size_t>(end - offset)};
}

// Blanks are the Unicode space separators; line breaks are kept.
std::string_view trimBlanks(std::string_view text) {
  while (!text.empty()) {
    const Step step = firstCodePoint(text);
    if (step.c < 0 || !isBlankOrTab(step.c)) break;
    text.remove_prefix(step.length);
  }
  while (!text.empty()) {
    const Step step = lastCodePoint(text);
    if (step.c < 0 || !isBlankOrTab(step.c)) break;
    text.remove_suffix(step.length);
  }
  return text;
}

std::string_view dropCodePoints(std::string_view text, std::size_t count) {
  for (std::size_t dropped = 0; dropped < count && !text.empty(); ++dropped) {
    text.remove_prefix(firstCodePoint(text).length);
  }
  return text;
}

// More than `limit` user-perceived characters (grapheme clusters).
bool hasMoreCharactersThan(std::string_view text, int limit) {
  if (dropCodePoints(text, static_cast<std::size_t>(limit)).empty()) return false;
  UErrorCode status = U_ZERO_ERROR;
  UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
  if (U_FAILURE(status)) return true;
  int count = 0;
  {
    std::unique_ptr<icu::BreakIterator> characters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_SUCCESS(status) && characters != nullptr) {
      characters->setText(utext, status);
    }
    if (U_FAILURE(status) || characters == nullptr) {
      // Without segmentation data, code points are the closest measure.
      count = limit + 1;
    } else {
      characters->first();
      while (count <= limit && characters->next() != icu::BreakIterator::DONE) ++count;
    }
  }
  utext_close(utext);
  return count > limit;
}

// Bytes that are not UTF-8 become U+FFFD.
std::optional<icu::UnicodeString> patternInput(std::string_view text) {
  if (text.size() > kMaxPatternInputBytes) return std::nullopt;
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// A fresh matcher per search: matchers are not thread-safe, the compiled
// patterns are. A search cut short by the step limit finds nothing.
std::unique_ptr<icu::RegexMatcher> firstMatch(const PatternTriple& entry,
                                              const icu::UnicodeString& input) {
  const icu::RegexPattern* pattern = RegexAccess::pattern(entry);
  if (pattern == nullptr) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
  if (U_FAILURE(status) || matcher == nullptr) return nullptr;
  matcher->setTimeLimit(kMatchStepLimit, status);
  if (U_FAILURE(status)) return nullptr;
  const bool found = matcher->find(status);
  if (U_FAILURE(status) || !found) return nullptr;
  return matcher;
}

// Nothing for a negative group, one the pattern does not have, or one that
// took no part in the match.
std::optional<std::string> groupText(const icu::RegexMatcher& matcher,
                                     const icu::UnicodeString& input, std::optional<int> group) {
  if (!group || *group < 0 || *group > matcher.groupCount()) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  const int32_t start = matcher.start(*group, status);
  const int32_t end = matcher.end(*group, status);
  if (U_FAILURE(status) || start < 0 || end < start || end > input.length()) return std::nullopt;
  return toUtf8(input.tempSubStringBetween(start, end));
}

// Decimal ASCII digits only, as a signed 64-bit number.
std::optional<std::int64_t> parseCount(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    if (__builtin_mul_overflow(value, 10, &value) ||
        __builtin_add_overflow(value, c - '0', &value)) {
      return std::nullopt;
    }
  }
  return value;
}

std::int64_t unitMultiplier(std::string_view unit) {
  const std::string lower = text::lowercased(unit);
  if (lower.starts_with("min")) return 60;
  if (lower.starts_with("hour") || lower.starts_with("hr")) return 3600;
  return 1;
}

// Full title-case mapping of a word's first letter ("ß" becomes "Ss").
void appendTitle(std::string& out, UChar32 c) {
  icu::UnicodeString letter(c);
  letter.toTitle(nullptr, icu::Locale::getRoot(),
                 U_TITLECASE_WHOLE_STRING | U_TITLECASE_NO_BREAK_ADJUSTMENT);
  letter.toUTF8String(out);
}

// First letter of every word (words part at white space) capitalised, the
// other letters lower-cased.
std::string capitalizedWords(std::string_view text) {
  const std::string lower = text::lowercased(text);
  std::string out;
  out.reserve(lower.size());
  std::string_view rest = lower;
  bool wordHasLetter = false;
  while (!rest.empty()) {
    if (const auto byte = static_cast<unsigned char>(rest.front()); byte < 0x80) {
      // The white space in ASCII is the tab to carriage-return run and the blank.
      if (byte == ' ' || (byte >= '\t' && byte <= '\r')) {
        wordHasLetter = false;
      } else if (!wordHasLetter && byte >= 'a' && byte <= 'z') {
        wordHasLetter = true;
        out += static_cast<char>(byte - 'a' + 'A');
        rest.remove_prefix(1);
        continue;
      }
      out += rest.front();
      rest.remove_prefix(1);
      continue;
    }
    const Step step = firstCodePoint(rest);
    if (u_isUWhiteSpace(step.c)) {
      wordHasLetter = false;
    } else if (!wordHasLetter && u_isalpha(step.c)) {
      wordHasLetter = true;
      appendTitle(out, step.c);
      rest.remove_prefix(step.length);
      continue;
    }
    out += rest.substr(0, step.length);
    rest.remove_prefix(step.length);
  }
  return out;
}

bool isUnreservedAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// The rest after the first prefix the text begins with whose rest, trimmed of
// blanks and tabs, is not empty.
std::optional<std::string> restAfterPrefix(std::string_view text,
                                           std::span<const std::string_view> prefixes) {
  for (const std::string_view prefix : prefixes) {
    if (!text.starts_with(prefix)) continue;
    const std::string_view rest = trimBlanks(text.substr(prefix.size()));
    if (!rest.empty()) return std::string(rest);
  }
  return std::nullopt;
}

}  // namespace

std::optional<Url> normalizeURL(std::string_view text) {
  const std::string address = text::trimmed(text);
  if (address.starts_with("http://") || address.starts_with("https://")) return Url::parse(address);
  if (address.find('.') != std::string::npos && address.find(' ') == std::string::npos &&
      hasMoreCharactersThan(address, 3)) {
    return Url::parse("https://" + address);
  }
  return std::nullopt;
}

std::optional<Url> extractURL(std::string_view trimmed) {
  // Only the front is compared with the verbs, and every character lower-cases
  // to at least one, so as many characters as the longest verb has will do.
  constexpr std::size_t longestVerb =
      std::max_element(urlVerbs.begin(), urlVerbs.end(), [](auto a, auto b) {
        return a.size() < b.size();
      })->size();
  const std::size_t frontBytes = trimmed.size() - dropCodePoints(trimmed, longestVerb).size();
  const std::string lower = text::lowercased(trimmed.substr(0, frontBytes));
  for (const std::string_view verb : urlVerbs) {
    if (!lower.starts_with(verb)) continue;
    // Cut by characters: lower-casing may change byte lengths.
    const std::string_view rest = trimBlanks(dropCodePoints(trimmed, verb.size()));
    if (auto url = normalizeURL(rest)) return url;
  }
  return normalizeURL(trimmed);
}

std::optional<std::string> extractSearchQuery(std::string_view lower) {
  return restAfterPrefix(lower, searchPrefixes);
}

std::optional<Url> searchURL(std::string_view query) {
  // Everything but the unreserved characters is encoded, so "&", "+", "#"
  // and "%" reach the search engine as typed instead of splitting the query.
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string address(kSearchAddress);
  address.reserve(address.size() + query.size() * 3);
  for (const char byte : query) {
    const auto c = static_cast<unsigned char>(byte);
    if (isUnreservedAscii(c)) {
      address += byte;
    } else {
      address += '%';
      address += hex[c >> 4];
      address += hex[c & 0x0F];
    }
  }
  return Url::parse(address);
}

const std::vector<PatternTriple>& timerPatterns() {
  static const std::vector<PatternTriple> patterns = {
      {R"((?:set a |start a |)timer (?:for )?(\d+)\s*(seconds?|mins?|minutes?|hours?|hr))", 1, 2},
      {R"((\d+)\s*(second|minute|min|hour|hr)\s*timer)", 1, 2},
      {R"((?:set a |start a |)timer (?:for )?(\d+))", 1},
      {R"((?:countdown|count down)\s*(\d+))", 1},
  };
  return patterns;
}

std::optional<TimerIntent> extractTimerIntent(std::string_view lower) {
  if (lower.find(kPomodoro) != std::string_view::npos) {
    return TimerIntent{kPomodoroSeconds, "Pomodoro"};
  }
  const auto input = patternInput(lower);
  if (!input) return std::nullopt;
  for (const PatternTriple& entry : timerPatterns()) {
    const auto matcher = firstMatch(entry, *input);
    if (!matcher) continue;
    const auto countText = groupText(*matcher, *input, entry.rGroup());
    const auto count = countText ? parseCount(*countText) : std::nullopt;
    if (!count) continue;
    std::int64_t multiplier = 1;
    if (const auto unit = groupText(*matcher, *input, entry.bGroup())) {
      multiplier = unitMultiplier(*unit);
    }
    std::int64_t seconds = 0;
    // Trying on would let a later pattern read the same count without its
    // unit, as seconds.
    if (__builtin_mul_overflow(*count, multiplier, &seconds)) return std::nullopt;
    return TimerIntent{seconds, ""};
  }
  return std::nullopt;
}

const std::vector<KnownGame>& knownGames() {
  static const std::vector<KnownGame> games = {
      {"candy crush", "Candy Crush"},
      {"tetris", "Tetris"},
      {"chess", "Chess"},
      {"wordle", "Wordle"},
      {"solitaire", "Solitaire"},
      {"snake", "Snake"},
      {"2048", "2048"},
      {"sudoku", "Sudoku"},
      {"minesweeper", "Minesweeper"},
      {"pac-man", "Pac-Man"},
      {"pacman", "Pac-Man"},
      {"flappy bird", "Flappy Bird"},
      {"pong", "Pong"},
      {"breakout", "Breakout"},
  };
  return games;
}

std::optional<std::string> extractGameIntent(std::string_view lower) {
  for (const std::string_view verb : gameVerbs) {
    if (!lower.starts_with(verb)) continue;
    const std::string_view rest = trimBlanks(lower.substr(verb.size()));
    for (const KnownGame& game : knownGames()) {
      if (rest.find(game.keyword) != std::string_view::npos) return game.displayName;
    }
    if (rest.find("game") != std::string_view::npos) return capitalizedWords(rest);
  }
  for (const KnownGame& game : knownGames()) {
    if (lower == game.keyword) return game.displayName;
  }
  return std::nullopt;
}

std::optional<std::string> extractReminderIntent(std::string_view lower) {
  return restAfterPrefix(lower, reminderPrefixes);
}

std::optional<std::pair<std::string, std::string>> matchPatterns(
    std::string_view input, std::span<const PatternTriple> patterns) {
  const auto text = patternInput(input);
  if (!text) return std::nullopt;
  const auto trimmedGroup = [&](const icu::RegexMatcher& matcher, std::optional<int> group) {
    const auto found = groupText(matcher, *text, group);
    return found ? std::string(trimBlanks(*found)) : std::string();
  };
  for (const PatternTriple& entry : patterns) {
    const auto matcher = firstMatch(entry, *text);
    if (!matcher) continue;
    return std::pair{trimmedGroup(*matcher, entry.rGroup()),
                     trimmedGroup(*matcher, entry.bGroup())};
  }
  return std::nullopt;
}

const std::vector<PatternTriple>& messagePatterns() {
  // A lazy recipient followed by an optional tail would stop one letter into
  // the name, so the keyword form ("saying", "about", "that") and the plain
  // form are separate: a name of several words needs the keyword, without it
  // the first word is the name and the rest the message. The plain form takes
  // every text the older verb-word-message split after it would.
  static const std::vector<PatternTriple> patterns = {
      {R"((?:send a |)(?:message|text|imessage|sms) (?:to )?(\w[\w ]*?)\s+(?:saying|about|that)\s+(.+))",
       1, 2},
      {R"((?:send a |)(?:message|text|imessage|sms) (?:to )?(\w+)(?:\s+(.+))?)", 1, 2},
      {R"((?:message|text) (\w+)\s+(.+))", 1, 2},
      {R"((?:send a |write a |compose a )(?:message|text|sms))", -1},
  };
  return patterns;
}

std::optional<MessageIntent> extractMessageIntent(std::string_view lower) {
  auto texts = matchPatterns(lower, messagePatterns());
  if (!texts) return std::nullopt;
  return MessageIntent{std::move(texts->first), std::move(texts->second)};
}

const std::vector<PatternTriple>& emailPatterns() {
  static const std::vector<PatternTriple> patterns = {
      {R"((?:send an |write an |compose an )?(?:email|mail) (?:to )?([\w.@+\-]+)(?:\s+(?:about|regarding|re:?)\s+(.+))?)",
       1, 2},
      {R"((?:send|write|compose) an (?:email|mail))", -1},
  };
  return patterns;
}

std::optional<EmailIntent> extractEmailIntent(std::string_view lower) {
  auto texts = matchPatterns(lower, emailPatterns());
  if (!texts) return std::nullopt;
  return EmailIntent{std::move(texts->first), std::move(texts->second), ""};
}

}  // namespace kivari::IntentClassifier
