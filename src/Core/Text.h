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

}  // namespace kivari::text
