#include "Core/Text.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>


namespace kivari::text {

std::string trimmed(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  int32_t begin = 0;
  while (begin < length) {
    int32_t next = begin;
    UChar32 c = 0;
    U8_NEXT(bytes, next, length, c);
    if (c < 0 || !u_isUWhiteSpace(c)) break;
    begin = next;
  }
  int32_t end = length;
  while (end > begin) {
    int32_t previous = end;
    UChar32 c = 0;
    U8_PREV(bytes, begin, previous, c);
    if (c < 0 || !u_isUWhiteSpace(c)) break;
    end = previous;
  }
  return std::string(text.substr(static_cast<std::size_t>(begin),
                                 static_cast<std::size_t>(end - begin)));
}

namespace {

// A capital sigma ending a word becomes the final small sigma: a cased letter
// before it and none after it, case-ignorable characters skipped both ways.
bool isFinalSigma(const uint8_t* bytes, int32_t length, int32_t start, int32_t end) {
  auto cased = [](UChar32 c) { return c >= 0 && u_hasBinaryProperty(c, UCHAR_CASED); };
  auto ignorable = [](UChar32 c) { return c >= 0 && u_hasBinaryProperty(c, UCHAR_CASE_IGNORABLE); };
  bool before = false;
  for (int32_t i = start; i > 0;) {
    UChar32 c = 0;
    U8_PREV(bytes, 0, i, c);
    if (ignorable(c)) continue;
    before = cased(c);
    break;
  }
  if (!before) return false;
  for (int32_t i = end; i < length;) {
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    if (ignorable(c)) continue;
    return !cased(c);
  }
  return true;
}

}  // namespace

std::string lowercased(std::string_view text) {
  if (text.empty()) return {};
  // One pass, code point by code point. The default full mapping differs
  // from the simple one only for U+0130 and the capital sigma, whose small
  // form depends on the letters around it; both are handled here.
  std::string out;
  out.reserve(text.size() + 8);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  auto append = [&out](UChar32 c) {
    uint8_t buffer[U8_MAX_LENGTH];
    int32_t n = 0;
    [[maybe_unused]] UBool error = false;
    U8_APPEND(buffer, n, U8_MAX_LENGTH, c, error);
    out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
  };
  for (int32_t i = 0; i < length;) {
    if (bytes[i] < 0x80) {
      const char c = static_cast<char>(bytes[i++]);
      out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
      continue;
    }
    const int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) c = 0xFFFD;  // each malformed sequence becomes one replacement
    if (c == 0x130) {
      append(0x69);
      append(0x307);
    } else if (c == 0x3A3) {
      append(isFinalSigma(bytes, length, start, i) ? 0x3C2 : 0x3C3);
    } else {
      append(u_tolower(c));
    }
  }
  return out;
}

std::string uppercased(std::string_view text) {
  std::string out;
  icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
      .toUpper(icu::Locale::getRoot())
      .toUTF8String(out);
  return out;
}

std::size_t characterCount(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  std::size_t count = 0;
  for (int32_t i = 0; i < length; ++count) {
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    (void)c;
  }
  return count;
}

std::size_t prefixLength(std::string_view text, std::size_t maxCharacters) {
  // Every character takes at least one byte: a short text needs no count.
  if (text.size() <= maxCharacters) return text.size();
  UErrorCode status = U_ZERO_ERROR;
  // Read in place, so only the start of a text of any length is walked.
  UText* source = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
  std::unique_ptr<icu::BreakIterator> clusters(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  std::size_t cut = text.size();
  if (U_SUCCESS(status) && clusters) {
    clusters->setText(source, status);
    int32_t end = clusters->first();
    for (std::size_t n = 0; n < maxCharacters && end != icu::BreakIterator::DONE; ++n) end = clusters->next();
    if (U_SUCCESS(status) && end != icu::BreakIterator::DONE) cut = static_cast<std::size_t>(end);
  } else {
    // No break rules at hand: cut between code points instead.
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t i = 0;
    for (std::size_t n = 0; n < maxCharacters && i < length; ++n) U8_FWD_1(bytes, i, length);
    cut = static_cast<std::size_t>(i);
  }
  utext_close(source);
  return std::min(cut, text.size());
}

std::string displayPrefix(std::string_view text, std::size_t maxCharacters) {
  const std::size_t cut = prefixLength(text, maxCharacters);
  if (cut >= text.size()) return std::string(text);
  std::string shown(text.substr(0, cut));
  shown += "\u2026";
  return shown;
}

}  // namespace kivari::text
