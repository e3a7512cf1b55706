#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>

namespace kivari {

// WebKit's sandbox writes one folder per helper process it starts,
// <runtime>/.flatpak/webkit-<pid of the starting process>-<n>/bwrapinfo.json,
// so that desktop portals can tell who is calling, and never removes it.
// This removes those whose sandbox has ended, of this process and of earlier
// ones that have ended too, and answers how many of this process's are left.
// A folder it cannot read the sandbox of is left alone.
std::size_t removeEndedSandboxFolders(const std::filesystem::path& runtimeFolder, int ownPid,
                                      const std::function<bool(int pid)>& isRunning);

// Whether a process runs: it exists and is not a zombie waiting to be reaped.
bool processIsRunning(int pid);

}  // namespace kivari
