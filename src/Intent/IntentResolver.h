#pragma once

#include <optional>
#include <string_view>

#include "Manifests/ExpressionManifest.h"
#include "Manifests/ManifestRegistry.h"

namespace kivari {

struct ResolvedIntent {
  ExpressionManifest manifest;
  double confidence = 0;
};

// Picks the shipped manifest whose id, name or keywords a request names.
class IntentResolver {
 public:
  explicit IntentResolver(const ManifestRegistry& registry) : registry_(registry) {}
  std::optional<ResolvedIntent> resolve(std::string_view text) const;

  // 1.0 for the exact id or name, a keyword share capped at 0.99 otherwise,
  // 0.0 for nothing. `input` is the request already lower-cased and trimmed.
  static double matchScore(std::string_view input, const ExpressionManifest& manifest);

 private:
  const ManifestRegistry& registry_;
};

}  // namespace kivari
