#include "Intent/PhraseTables.h"

#include "Core/Expression.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace kivari::IntentClassifier {

namespace {

using Table = std::span<const std::string_view>;

bool isAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

// The code point starting at `pos` (negative for a stray byte) and its
// length. Decodes from a few bytes around `pos`, so offsets never have to fit
// ICU's 32-bit indexes, however long the text.
std::pair<UChar32, std::size_t> codePointAt(std::string_view text, std::size_t pos) {
  const std::string_view near = text.substr(pos, 4);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(near.data());
  std::int32_t index = 0;
  UChar32 c = 0;
  U8_NEXT(bytes, index, static_cast<std::int32_t>(near.size()), c);
  return {c, static_cast<std::size_t>(index)};
}

// The code point ending at `pos`, likewise.
std::pair<UChar32, std::size_t> codePointBefore(std::string_view text, std::size_t pos) {
  const std::size_t back = std::min<std::size_t>(pos, 4);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data() + pos - back);
  auto index = static_cast<std::int32_t>(back);
  UChar32 c = 0;
  U8_PREV(bytes, 0, index, c);
  return {c, back - static_cast<std::size_t>(index)};
}

// Phrases are ASCII and texts are compared character by character, so an
// ASCII letter followed by a combining accent is not that letter ("note"
// followed by a combining acute is no "note"). A phrase only counts where
// both of its ends fall on character boundaries of the text. Only the text
// side needs looking at: on the phrase side there is always an ASCII
// character.
bool isCharacterBoundary(std::string_view text, std::size_t pos) {
  if (pos == 0 || pos >= text.size()) return true;
  if (text[pos - 1] == '\r' && text[pos] == '\n') return false;
  if (isAscii(text[pos - 1]) && isAscii(text[pos])) return true;
  if (const UChar32 next = codePointAt(text, pos).first; next >= 0) {
    const auto kind = u_getIntPropertyValue(next, UCHAR_GRAPHEME_CLUSTER_BREAK);
    if (kind == U_GCB_EXTEND || kind == U_GCB_ZWJ || kind == U_GCB_SPACING_MARK) return false;
  }
  const UChar32 previous = codePointBefore(text, pos).first;
  return previous < 0 ||
         u_getIntPropertyValue(previous, UCHAR_GRAPHEME_CLUSTER_BREAK) != U_GCB_PREPEND;
}

bool isWholeCharacters(std::string_view text, std::size_t pos, std::size_t length) {
  return isCharacterBoundary(text, pos) && isCharacterBoundary(text, pos + length);
}

// The first occurrence of the phrase that stands on character boundaries.
std::optional<std::size_t> find(std::string_view text, std::string_view phrase) {
  for (std::size_t from = 0; from + phrase.size() <= text.size();) {
    const void* hit = memmem(text.data() + from, text.size() - from, phrase.data(), phrase.size());
    if (hit == nullptr) return std::nullopt;
    const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    if (isWholeCharacters(text, at, phrase.size())) return at;
    from = at + 1;
  }
  return std::nullopt;
}

bool startsWith(std::string_view text, std::string_view phrase) {
  return text.starts_with(phrase) && isCharacterBoundary(text, phrase.size());
}

bool endsWith(std::string_view text, std::string_view phrase) {
  return text.ends_with(phrase) && isCharacterBoundary(text, text.size() - phrase.size());
}

// Blanks are the Unicode space separators; line breaks are kept.
std::string_view trimBlanksAndTabs(std::string_view text) {
  const auto isBlank = [](UChar32 c) {
    return c == '\t' || (c >= 0 && u_charType(c) == U_SPACE_SEPARATOR);
  };
  std::size_t begin = 0;
  while (begin < text.size()) {
    const auto [c, length] = codePointAt(text, begin);
    if (!isBlank(c)) break;
    begin += length;
  }
  std::size_t end = text.size();
  while (end > begin) {
    const auto [c, length] = codePointBefore(text, end);
    if (!isBlank(c)) break;
    end -= length;
  }
  return text.substr(begin, end - begin);
}

bool equalsAny(std::string_view text, Table table) {
  return std::ranges::find(table, text) != table.end();
}

// Finds which groups of phrases occur in a text in one pass, rather than
// one pass per phrase (Wu-Manber). The window is as long as the shortest
// phrase; wherever the window's last two bytes end no phrase's window, it
// skips ahead, for most text by nearly a whole window.
class PhraseIndex {
 public:
  // Each table is one group; a lower group wins.
  explicit PhraseIndex(std::span<const Table> groups) {
    for (std::size_t g = 0; g < groups.size(); ++g) {
      for (std::string_view phrase : groups[g]) phrases_.push_back({phrase, g});
    }
    window_ = std::ranges::min(phrases_, {}, [](const Entry& e) {
                return e.phrase.size();
              }).phrase.size();
    shift_.fill(static_cast<std::uint8_t>(window_ - 1));
    for (auto& entry : phrases_) {
      for (std::size_t j = 1; j < window_; ++j) {
        auto& shift = shift_[hash(entry.phrase[j - 1], entry.phrase[j])];
        shift = std::min(shift, static_cast<std::uint8_t>(window_ - 1 - j));
      }
      entry.windowEnd = hash(entry.phrase[window_ - 2], entry.phrase[window_ - 1]);
    }
  }

  // The lowest group with a phrase in the text.
  std::optional<std::size_t> firstGroupIn(std::string_view text) const {
    std::optional<std::size_t> best;
    for (std::size_t end = window_ - 1; end < text.size();) {
      const std::uint16_t h = hash(text[end - 1], text[end]);
      if (const std::uint8_t shift = shift_[h]; shift > 0) {
        end += shift;
        continue;
      }
      const std::size_t start = end + 1 - window_;
      for (const auto& [phrase, group, windowEnd] : phrases_) {
        if (windowEnd == h && (!best || group < *best) && text.substr(start).starts_with(phrase) &&
            isWholeCharacters(text, start, phrase.size())) {
          best = group;
          if (group == 0) return best;
        }
      }
      ++end;
    }
    return best;
  }

 private:
  struct Entry {
    std::string_view phrase;
    std::size_t group = 0;
    std::uint16_t windowEnd = 0;
  };

  static constexpr std::size_t kBuckets = 4096;
  static std::uint16_t hash(char a, char b) {
    const unsigned high = static_cast<unsigned char>(a);
    const unsigned low = static_cast<unsigned char>(b);
    return static_cast<std::uint16_t>(((high << 4) ^ low) % kBuckets);
  }

  std::vector<Entry> phrases_;
  std::size_t window_ = 0;
  std::array<std::uint8_t, kBuckets> shift_{};
};

// Windows of two bytes at least, and skips that fit the shift table.
constexpr bool isSearchable(Table table) {
  const std::size_t shortest = std::ranges::min(table, {}, &std::string_view::size).size();
  return shortest >= 2 && shortest <= 256;
}

// The index of a table is derived from constant phrases, so it is built once.
template <const auto& kTable>
bool containsAny(std::string_view text) {
  static_assert(isSearchable(kTable));
  static const Table groups[] = {kTable};
  static const PhraseIndex index(groups);
  return index.firstGroupIn(text).has_value();
}

std::optional<ProductivityCategory> firstCategory(std::string_view text) {
  static_assert(std::ranges::all_of(phrases::kProductivity,
                                    [](const auto& entry) { return isSearchable(entry.phrases); }));
  static const PhraseIndex index = [] {
    std::vector<Table> groups;
    for (const auto& entry : phrases::kProductivity) groups.push_back(entry.phrases);
    return PhraseIndex(groups);
  }();
  const auto group = index.firstGroupIn(text);
  if (!group) return std::nullopt;
  return phrases::kProductivity[*group].category;
}

// A fresh draw for every bored request; the engine is only seeded once per
// thread because opening the system's entropy source is far slower than
// everything else a classification does.
std::string randomBoredGame() {
  thread_local std::mt19937 engine{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, std::size(phrases::kBoredGames) - 1);
  return std::string(phrases::kBoredGames[pick(engine)]);
}

}  // namespace

std::optional<ClassifiedIntent> matchColloquial(std::string_view lower) {
  using namespace phrases;
  if (equalsAny(lower, kBored)) return ClassifiedIntent::withExpression(Expression::game(randomBoredGame()));
  if (equalsAny(lower, kTooLoud)) return ClassifiedIntent::withAction(SystemControlAction::volumeDown);
  if (equalsAny(lower, kQuiet)) return ClassifiedIntent::withAction(SystemControlAction::mute);
  if (equalsAny(lower, kCantHear)) return ClassifiedIntent::withAction(SystemControlAction::volumeUp);
  if (equalsAny(lower, kCallFamily)) {
    return ClassifiedIntent::withCategory(ProductivityCategory::videoCall);
  }
  if (equalsAny(lower, kThanks)) {
    return ClassifiedIntent::withExpression(Expression::help(std::string(lower)));
  }
  return std::nullopt;
}

std::optional<ProductivityCategory> matchProductivityIntent(std::string_view lower) {
  // Categories in table order: the first with any phrase wins.
  return firstCategory(lower);
}

bool matchesNotesIntent(std::string_view lower) { return containsAny<phrases::kNotes>(lower); }

bool matchesWeatherIntent(std::string_view lower) { return containsAny<phrases::kWeather>(lower); }

std::string extractWeatherLocation(std::string_view lower) {
  // Marker order decides, not where a marker stands in the text.
  for (std::string_view marker : phrases::kWeatherLocationMarkers) {
    const auto at = find(lower, marker);
    if (!at) continue;
    const std::string_view rest = trimBlanksAndTabs(lower.substr(*at + marker.size()));
    if (!rest.empty()) return std::string(rest);
  }
  return {};
}

bool matchesMusicIntent(std::string_view lower) { return containsAny<phrases::kMusic>(lower); }

std::string extractMusicQuery(std::string_view lower) {
  for (std::string_view prefix : phrases::kMusicQueryPrefixes) {
    if (!startsWith(lower, prefix)) continue;
    const std::string_view rest = trimBlanksAndTabs(lower.substr(prefix.size()));
    if (!rest.empty() && !equalsAny(rest, phrases::kMusicGeneralWords)) return std::string(rest);
  }
  return {};
}

bool matchesCalendarIntent(std::string_view lower) {
  return containsAny<phrases::kCalendar>(lower);
}

bool matchesHelpIntent(std::string_view lower) {
  for (std::string_view opener : phrases::kHelpOpeners) {
    if (startsWith(lower, opener)) return true;
  }
  return containsAny<phrases::kHelpTopics>(lower) || endsWith(lower, "?");
}

}  // namespace kivari::IntentClassifier
