#pragma once

#include <string>
#include <string_view>

namespace kivari::text {

// Removes Unicode white space and line breaks from both ends.
std::string trimmed(std::string_view text);
// Default Unicode lower-case mapping, the same whatever the user's locale.
// Bytes that are not UTF-8 become U+FFFD.
std::string lowercased(std::string_view text);
// Default Unicode upper-case mapping (full: "ß" becomes "SS"), whatever the locale.
std::string uppercased(std::string_view text);
// Number of Unicode scalar values (invalid bytes count one each).
std::size_t characterCount(std::string_view text);
// Length in bytes of the first `maxCharacters` user-perceived characters
// (grapheme clusters) of `text`: never inside a character or a cluster. A
// malformed sequence counts as one character. Walks only that start of the text.
std::size_t prefixLength(std::string_view text, std::size_t maxCharacters);
// The start of `text` for showing where all of a very long text would cost
// its layout too much: the first `maxCharacters` user-perceived characters
// and "…" when there are more, else the text unchanged.
std::string displayPrefix(std::string_view text, std::size_t maxCharacters);

}  // namespace kivari::text
