#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kivari {

// An absolute address with a scheme, kept exactly as it was written.
class Url {
 public:
  // Nothing for text without a scheme, with blanks or control characters, or
  // that does not parse as an address.
  static std::optional<Url> parse(std::string_view text);

  const std::string& absoluteString() const { return text_; }
  const std::string& scheme() const { return scheme_; }
  // Absent when the address names no host (an empty host counts as none).
  const std::optional<std::string>& host() const { return host_; }

  bool operator==(const Url& other) const { return text_ == other.text_; }

 private:
  Url() = default;
  std::string text_;
  std::string scheme_;
  std::optional<std::string> host_;
};

}  // namespace kivari
