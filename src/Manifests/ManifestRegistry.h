#pragma once

#include "Manifests/ExpressionManifest.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace kivari {

// The manifest-described cells shipped with the application, read once.
class ManifestRegistry {
 public:
  // A manifest.json larger than this is not a manifest; it is skipped, and
  // no more than one byte past it is ever read.
  static constexpr std::uintmax_t kMaxManifestBytes = 1u << 20;

  // Reads from the application's resource folder.
  ManifestRegistry();
  // Reads from the given resource folder; none loads nothing.
  explicit ManifestRegistry(std::optional<std::filesystem::path> resourceFolder);

  const std::vector<ExpressionManifest>& manifests() const { return manifests_; }
  const std::optional<std::filesystem::path>& resourceFolder() const { return resourceFolder_; }

  const ExpressionManifest* manifest(std::string_view forID) const;
  // The folder that holds a manifest's web files.
  std::optional<std::filesystem::path> expressionBaseURL(const ExpressionManifest& manifest) const;

  // An id is used as one path component, so it must not be able to leave
  // the Expressions folder.
  static bool isSafeID(std::string_view id);

 private:
  void loadManifests();
  void loadFromFolderStructure(const std::filesystem::path& folder);
  void loadFromFlatBundle();
  void loadFile(const std::filesystem::path& file);

  std::optional<std::filesystem::path> resourceFolder_;
  std::vector<ExpressionManifest> manifests_;
};

}  // namespace kivari
