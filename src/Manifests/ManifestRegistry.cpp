#include "Manifests/ManifestRegistry.h"

#include "Manifests/ResourceLocator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kivari {

namespace fs = std::filesystem;

ManifestRegistry::ManifestRegistry() : ManifestRegistry(applicationResourceFolder()) {}

ManifestRegistry::ManifestRegistry(std::optional<fs::path> resourceFolder)
    : resourceFolder_(std::move(resourceFolder)) {
  loadManifests();
}

bool ManifestRegistry::isSafeID(std::string_view id) {
  if (id.empty() || id == "." || id == "..") return false;
  return id.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

void ManifestRegistry::loadManifests() {
  std::error_code ec;
  if (resourceFolder_) {
    const fs::path expressions = *resourceFolder_ / "Expressions";
    // Anything of that name, even a plain file, chooses the folder layout.
    if (fs::symlink_status(expressions, ec).type() != fs::file_type::not_found && !ec) {
      loadFromFolderStructure(expressions);
      return;
    }
  }
  loadFromFlatBundle();
}

void ManifestRegistry::loadFromFolderStructure(const fs::path& folder) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return;
    const fs::directory_entry& entry = *it;
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    std::error_code typeError;
    if (!entry.is_directory(typeError) || typeError) continue;
    loadFile(entry.path() / "manifest.json");
  }
}

void ManifestRegistry::loadFromFlatBundle() {
  if (!resourceFolder_) return;
  loadFile(*resourceFolder_ / "manifest.json");
}

namespace {

// The whole file when it is a regular one that reads without error and holds
// at most `limit` bytes, whatever size it reports; none otherwise. Never
// reads more than one byte past the limit, and never waits on the file.
std::optional<std::string> readBounded(const fs::path& file, std::size_t limit) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> text;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    std::string buffer(limit + 1, '\0');
    std::size_t filled = 0;
    bool failed = false;
    while (filled < buffer.size()) {
      const ssize_t got = ::read(fd, buffer.data() + filled, buffer.size() - filled);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) failed = true;
      if (got <= 0) break;
      filled += static_cast<std::size_t>(got);
    }
    if (!failed && filled <= limit) {
      buffer.resize(filled);
      text = std::move(buffer);
    }
  }
  ::close(fd);
  return text;
}

}  // namespace

void ManifestRegistry::loadFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return;
  const auto text = readBounded(file, kMaxManifestBytes);
  if (!text) return;
  auto manifest = ExpressionManifest::decode(*text);
  if (!manifest || !isSafeID(manifest->id)) return;
  manifests_.push_back(std::move(*manifest));
}

const ExpressionManifest* ManifestRegistry::manifest(std::string_view forID) const {
  for (const auto& m : manifests_) {
    if (m.id == forID) return &m;
  }
  return nullptr;
}

std::optional<fs::path> ManifestRegistry::expressionBaseURL(const ExpressionManifest& manifest) const {
  if (!resourceFolder_) return std::nullopt;
  if (isSafeID(manifest.id)) {
    const fs::path candidate = *resourceFolder_ / "Expressions" / manifest.id;
    std::error_code ec;
    if (fs::symlink_status(candidate, ec).type() != fs::file_type::not_found && !ec) {
      return candidate;
    }
  }
  return resourceFolder_;
}

}  // namespace kivari
