#pragma once

#include "Manifests/ExpressionManifest.h"
#include "Manifests/ManifestRegistry.h"

#include <optional>
#include <string_view>

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

 private:
  const ManifestRegistry& registry_;
};

}  // namespace kivari
