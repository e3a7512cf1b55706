#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>

namespace kivari {

// WebKit's sandbox writes one folder per helper process it starts,
// <runtime>/.flatpak/webkit-<our pid>-<n>/bwrapinfo.json, so that desktop
// portals can tell who is calling, and never removes it. This removes the
// folders of ours whose sandbox has ended, and answers how many of ours are
// left. A folder it cannot read the process of is left alone.
std::size_t removeEndedSandboxFolders(const std::filesystem::path& runtimeFolder, int ownPid,
                                      const std::function<bool(int pid)>& isRunning);

// Whether a process runs: it exists and is not a zombie waiting to be reaped.
bool processIsRunning(int pid);

}  // namespace kivari
