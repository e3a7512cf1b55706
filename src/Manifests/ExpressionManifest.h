#pragma once

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivari {

// The JSON description of a manifest-described cell. The key names and the
// optional keys are a wire format: signatures cover the re-encoded document.
struct ExpressionManifest {
  struct Surface {
    std::string kind;
    std::string entrypoint;
    bool operator==(const Surface&) const = default;
  };
  struct Capability {
    std::string name;
    std::string justification;
    bool operator==(const Capability&) const = default;
  };
  struct Publisher {
    std::string name;
    std::string publicKey;
    bool operator==(const Publisher&) const = default;
  };

  std::string id;
  std::string name;
  std::string description;
  std::string version;
  Surface surface;
  std::vector<std::string> keywords;
  std::vector<Capability> capabilities;
  std::optional<Publisher> publisher;
  std::optional<std::string> signature;

  bool operator==(const ExpressionManifest&) const = default;

  // Nothing when the text is not a JSON object with every required key as a
  // string (or list of strings), or a present optional of the wrong shape.
  // Never throws; keys the format does not name are dropped.
  static std::optional<ExpressionManifest> decode(std::string_view json);
  static std::optional<ExpressionManifest> fromJson(const nlohmann::json& document);

  // Fields under their keys; absent optionals write no key at all.
  nlohmann::json toJson() const;
};

}  // namespace kivari
