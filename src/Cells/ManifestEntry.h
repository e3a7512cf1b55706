#pragma once

#include "Manifests/ExpressionManifest.h"
#include "Manifests/ManifestRegistry.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kivari {

// A manifest cell's entry file and what its page may read: the whole folder
// when it is the manifest's own, else the entry file alone.
struct CellEntry {
  std::filesystem::path folder;  // canonical
  std::string path;              // inside `folder`, '/'-separated, no "." or ".." parts
  bool wholeFolder = true;
  bool operator==(const CellEntry&) const = default;
};

// The scheme through which a manifest cell's page reads its own folder.
inline constexpr const char* kCellScheme = "kivari-cell";

// The canonical path that `relative` names inside `folder`. None when the text
// is empty, absolute, holds a ".." part or a NUL, names nothing, or leads out
// of the folder, through symbolic links as well.
std::optional<std::filesystem::path> confinedPath(const std::filesystem::path& folder,
                                                  std::string_view relative);

// Looks for the entry in the manifest's own folder and, when nothing sits
// there, at the resource root, where the page may read the entry file alone.
// None when neither has it, when what sits at the path leads out of its
// folder, or when the manifest's folder resolves to anywhere but inside the
// resource root's Expressions folder: such a cell is refused, not looked up
// elsewhere.
std::optional<CellEntry> resolveEntrypoint(const std::optional<std::filesystem::path>& manifestFolder,
                                           const std::optional<std::filesystem::path>& resourceRoot,
                                           std::string_view entrypoint);
std::optional<CellEntry> resolveEntrypoint(const ExpressionManifest& manifest,
                                           const ManifestRegistry& registry);

// What every file a cell's page reads is served with: loads from the cell's
// own address alone (and data: and blob: ones, which never leave the page),
// its inline scripts and styles and eval allowed; no forms sent elsewhere.
inline constexpr const char* kCellContentSecurityPolicy =
    "default-src 'self' data: blob:; "
    "script-src 'self' 'unsafe-inline' 'unsafe-eval' blob:; "
    "style-src 'self' 'unsafe-inline' data: blob:; "
    "form-action 'self'; base-uri 'self'";

// Whether a page may go to `address` from a cell: an address of the cell's
// scheme, or about:blank or about:srcdoc, which load nothing.
bool staysInCell(std::string_view address);

// kivari-cell://<escaped host>/<escaped path>
std::string cellAddress(std::string_view host, std::string_view path);
// The file path that an address path of that scheme stands for; none for
// broken escapes, an escaped "/" or NUL.
std::optional<std::string> cellPathFromAddressPath(std::string_view addressPath);

// The content type a cell file is served with, by its extension.
const char* mimeTypeForFile(std::string_view fileName);

}  // namespace kivari
