#include "Core/Text.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <vector>

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

std::string lowercased(std::string_view text) {
  if (text.empty()) return {};
  UErrorCode status = U_ZERO_ERROR;
  int32_t utf16Length = 0;
  const auto inLength = static_cast<int32_t>(text.size());
  u_strFromUTF8WithSub(nullptr, 0, &utf16Length, text.data(), inLength, 0xFFFD, nullptr, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::string(text);
  std::vector<UChar> utf16(static_cast<std::size_t>(utf16Length) + 1);
  status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(utf16.data(), static_cast<int32_t>(utf16.size()), &utf16Length, text.data(),
                       inLength, 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return std::string(text);

  // The root locale gives the default mapping: no Turkish dotless i surprises.
  std::vector<UChar> lower(utf16.size() + 16);
  status = U_ZERO_ERROR;
  int32_t lowerLength = u_strToLower(lower.data(), static_cast<int32_t>(lower.size()), utf16.data(),
                                     utf16Length, "", &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    lower.resize(static_cast<std::size_t>(lowerLength) + 1);
    status = U_ZERO_ERROR;
    lowerLength = u_strToLower(lower.data(), static_cast<int32_t>(lower.size()), utf16.data(),
                               utf16Length, "", &status);
  }
  if (U_FAILURE(status)) return std::string(text);

  int32_t outLength = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8(nullptr, 0, &outLength, lower.data(), lowerLength, &status);
  std::string out(static_cast<std::size_t>(outLength), '\0');
  status = U_ZERO_ERROR;
  u_strToUTF8(out.data(), outLength, nullptr, lower.data(), lowerLength, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return std::string(text);
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

}  // namespace kivari::text
