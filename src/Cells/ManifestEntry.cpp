#include "Cells/ManifestEntry.h"

#include <glib.h>

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

namespace kivari {

namespace fs = std::filesystem;

namespace {

// The parts of a relative path, or none when it may not be followed at all.
std::optional<std::vector<std::string>> safeParts(std::string_view relative) {
  if (relative.empty() || relative.front() == '/' || relative.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= relative.size()) {
    const std::size_t end = std::min(relative.find('/', start), relative.size());
    const std::string_view part = relative.substr(start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") parts.emplace_back(part);
    start = end + 1;
  }
  if (parts.empty()) return std::nullopt;
  return parts;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += '/';
    out += part;
  }
  return out;
}

bool isWithin(const fs::path& folder, const fs::path& path) {
  return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first == folder.end();
}

std::optional<fs::path> canonicalFolder(const fs::path& folder) {
  std::error_code ec;
  fs::path canonical = fs::canonical(folder, ec);
  if (ec || !fs::is_directory(canonical, ec)) return std::nullopt;
  return canonical;
}

std::optional<fs::path> confinedIn(const fs::path& canonical, const std::vector<std::string>& parts) {
  fs::path path = canonical;
  for (const auto& part : parts) path /= part;
  std::error_code ec;
  fs::path resolved = fs::canonical(path, ec);
  if (ec || !isWithin(canonical, resolved)) return std::nullopt;
  return resolved;
}

// Whether anything, even a link that leads nowhere, sits at the path.
bool occupied(const fs::path& canonical, const std::vector<std::string>& parts) {
  fs::path path = canonical;
  for (const auto& part : parts) path /= part;
  std::error_code ec;
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

}  // namespace

std::optional<fs::path> confinedPath(const fs::path& folder, std::string_view relative) {
  const auto parts = safeParts(relative);
  if (!parts) return std::nullopt;
  const auto canonical = canonicalFolder(folder);
  if (!canonical) return std::nullopt;
  return confinedIn(*canonical, *parts);
}

std::optional<CellEntry> resolveEntrypoint(const std::optional<fs::path>& manifestFolder,
                                           const std::optional<fs::path>& resourceRoot,
                                           std::string_view entrypoint) {
  const auto parts = safeParts(entrypoint);
  if (!parts) return std::nullopt;
  if (manifestFolder) {
    if (const auto folder = canonicalFolder(*manifestFolder)) {
      // Only a folder inside Expressions, wherever links lead, is a cell's own.
      const auto expressions =
          resourceRoot ? canonicalFolder(*resourceRoot / "Expressions") : std::nullopt;
      if (!expressions || *folder == *expressions || !isWithin(*expressions, *folder)) return std::nullopt;
      if (occupied(*folder, *parts)) {
        // Anything inside will do, a folder too; what is served is decided per file.
        if (!confinedIn(*folder, *parts)) return std::nullopt;
        return CellEntry{*folder, joined(*parts)};
      }
    }
  }
  if (!resourceRoot) return std::nullopt;
  const auto root = canonicalFolder(*resourceRoot);
  if (!root || !confinedIn(*root, *parts)) return std::nullopt;
  const std::vector<std::string> folderParts(parts->begin(), parts->end() - 1);
  const auto folder = folderParts.empty() ? root : confinedIn(*root, folderParts);
  if (!folder) return std::nullopt;
  return CellEntry{*folder, parts->back(), false};
}

std::optional<CellEntry> resolveEntrypoint(const ExpressionManifest& manifest,
                                           const ManifestRegistry& registry) {
  // The registry answers the resource root itself for a manifest without a
  // folder of its own; that is no folder for its page to read.
  auto own = registry.expressionBaseURL(manifest);
  if (own == registry.resourceFolder()) own.reset();
  return resolveEntrypoint(own, registry.resourceFolder(), manifest.surface.entrypoint);
}

bool staysInCell(std::string_view address) {
  const std::string_view scheme(kCellScheme);
  if (address.size() > scheme.size() && address[scheme.size()] == ':' &&
      g_ascii_strncasecmp(address.data(), scheme.data(), scheme.size()) == 0) {
    return true;
  }
  return address == "about:blank" || address == "about:srcdoc";
}

std::string cellAddress(std::string_view host, std::string_view path) {
  auto escape = [](std::string_view text) {
    char* escaped = g_uri_escape_string(std::string(text).c_str(), nullptr, FALSE);
    std::string out(escaped);
    g_free(escaped);
    return out;
  };
  std::string address = std::string(kCellScheme) + "://" + escape(host) + "/";
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    if (start > 0) address += '/';
    address += escape(path.substr(start, end - start));
    start = end + 1;
  }
  return address;
}

std::optional<std::string> cellPathFromAddressPath(std::string_view addressPath) {
  const std::string copy(addressPath);
  char* raw = g_uri_unescape_string(copy.c_str(), "/");
  if (raw == nullptr) return std::nullopt;
  std::string path(raw);
  g_free(raw);
  while (!path.empty() && path.front() == '/') path.erase(path.begin());
  return path;
}

const char* mimeTypeForFile(std::string_view fileName) {
  static constexpr std::pair<std::string_view, const char*> kTypes[] = {
      {"html", "text/html"},      {"htm", "text/html"},         {"css", "text/css"},
      {"js", "text/javascript"},  {"mjs", "text/javascript"},   {"json", "application/json"},
      {"svg", "image/svg+xml"},   {"png", "image/png"},         {"jpg", "image/jpeg"},
      {"jpeg", "image/jpeg"},     {"gif", "image/gif"},         {"webp", "image/webp"},
      {"ico", "image/x-icon"},    {"woff", "font/woff"},        {"woff2", "font/woff2"},
      {"ttf", "font/ttf"},        {"otf", "font/otf"},          {"wasm", "application/wasm"},
      {"txt", "text/plain"},      {"xml", "application/xml"},   {"mp3", "audio/mpeg"},
      {"wav", "audio/wav"},       {"ogg", "audio/ogg"},         {"mp4", "video/mp4"},
      {"webm", "video/webm"},
  };
  const std::size_t dot = fileName.rfind('.');
  if (dot != std::string_view::npos) {
    std::string extension(fileName.substr(dot + 1));
    for (char& c : extension) c = static_cast<char>(g_ascii_tolower(c));
    for (const auto& [name, type] : kTypes) {
      if (name == extension) return type;
    }
  }
  return "application/octet-stream";
}

}  // namespace kivari
