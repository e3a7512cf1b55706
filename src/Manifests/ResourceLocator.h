#pragma once

#include <filesystem>
#include <optional>

namespace kivari {

// The folder the running program lives in.
std::optional<std::filesystem::path> programFolder();

// The folder of shipped resources: `resources/` beside the binary in the build
// tree, or `../share/kivari/` beside it once installed.
std::optional<std::filesystem::path> applicationResourceFolder();

}  // namespace kivari
