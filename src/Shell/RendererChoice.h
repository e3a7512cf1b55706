#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kivari {

// On a machine with no GPU, GTK's GL renderer runs in software and costs
// several times the CPU and memory of the cairo renderer for the same
// picture. Returns the renderer to ask GTK for, or nothing to leave GTK's
// own choice. `userSetting` is GSK_RENDERER as the user left it (null when
// unset); the user's setting always wins.
std::optional<std::string> chooseRenderer(const char* userSetting, bool hasRenderDevice);

// Whether `devices` (normally /dev/dri) holds a GPU render node (renderD*).
bool hasRenderDevice(const std::filesystem::path& devices = "/dev/dri");

}  // namespace kivari
