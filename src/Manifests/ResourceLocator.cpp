#include "Manifests/ResourceLocator.h"

#include <system_error>

namespace kivari {

std::optional<std::filesystem::path> programFolder() {
  std::error_code ec;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  return executable.parent_path();
}

std::optional<std::filesystem::path> applicationResourceFolder() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto folder = programFolder();
  if (!folder) return std::nullopt;
  const fs::path& dir = *folder;
  for (const fs::path& candidate : {dir / "resources", dir / ".." / "share" / "kivari"}) {
    if (fs::is_directory(candidate, ec)) return fs::weakly_canonical(candidate, ec);
  }
  return std::nullopt;
}

}  // namespace kivari
