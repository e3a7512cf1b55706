#pragma once

#include "Core/RunFolder.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kivari {

// What a sweep may take of this process's own sandbox folders. While it
// runs, one whose record cannot be read yet may be a sandbox still starting
// (the starter makes the record empty and bwrap fills it in once the sandbox
// is up); once its quit has ended all its processes, nothing will fill it.
enum class OwnSandboxes { MayStillStart, Ended };

// WebKit's sandbox writes one folder per helper process it starts,
// <runtime>/.flatpak/webkit-<pid of the starting process>-<n>/bwrapinfo.json,
// so that desktop portals can tell who is calling, and never removes it.
// This removes those whose sandbox has ended, of this process and of earlier
// ones that have ended too, and answers how many of this process's are left.
// A folder whose record names a process that runs stays; one whose record
// cannot be read stays while its starter may still fill it in: it goes once
// the starter has ended, or is this process with `own` Ended.
std::size_t removeEndedSandboxFolders(const std::filesystem::path& runtimeFolder, int ownPid,
                                      const std::function<bool(int pid)>& isRunning,
                                      OwnSandboxes own = OwnSandboxes::MayStillStart);

// The first process of each sandbox this process started (its folders,
// webkit-<ownPid>-<n>, name them) that still runs. A signal sent to the
// whole process group ends a sandbox's outer process at once; the inner
// one, no longer below this process, would run on. Only a process that
// still is the one named counts: in the pid namespace named beside it, not
// this process's own, of this user and started since this process. One
// that cannot be told is left out.
std::vector<int> runningSandboxesOf(const std::filesystem::path& runtimeFolder, int ownPid);

// WebKit makes <runtime>/webkitgtk for the sockets of its bus proxies, and
// <runtime>/.flatpak for the folders above, and leaves both behind, empty.
// Each goes when it is empty, the runtime folder is private, and no other
// run of Kivari there may be about to use it; `ownRun` is this process's run
// folder. Answers how many went.
std::size_t removeEmptyWebKitFolders(const std::filesystem::path& runtimeFolder,
                                     const std::filesystem::path& ownRun);

// WebKit's bus proxies listen on sockets in <runtime>/webkitgtk
// (bus-proxy-…, a11y-proxy-…) that stay when the process that made them
// ends. WebKit first makes each name as a plain file, which the proxy then
// replaces with its socket; a crash in between leaves the file. This
// removes those of ours, sockets no one listens on any more and plain
// files, made at least `settle` ago (one just made may not be a socket or
// listen yet), and answers how many went.
std::size_t removeStaleProxyEntries(const std::filesystem::path& runtimeFolder,
                                    std::chrono::seconds settle = std::chrono::seconds(1));

// The fields of /proc/<pid>/stat after the process's name, its state
// first; none when it cannot be read.
std::vector<std::string> statFields(int pid);
// Whether a process runs: it exists and is not a zombie waiting to be reaped.
bool processIsRunning(int pid);

// What web views left in the runtime folder: the sandbox folders of ended
// processes (earlier runs' too), the bus proxies' stale entries, and
// WebKit's own folders once empty.
void sweepRuntime(const std::filesystem::path& runtimeFolder, const RunFolder& ownRun,
                  OwnSandboxes own = OwnSandboxes::MayStillStart);

}  // namespace kivari
