#include "Cells/SandboxLeftovers.h"

#include "Core/RunFolder.h"

#include <nlohmann/json.hpp>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace kivari {

namespace fs = std::filesystem;

namespace {

// bwrap's own small record; anything larger is not it.
constexpr std::size_t kMaxInfoBytes = 4096;

// What bwrap records of a sandbox: the pid of its first process and the pid
// namespace it runs in.
struct SandboxInfo {
  int pid;
  std::optional<unsigned long long> pidNamespace;
};

std::optional<SandboxInfo> sandboxInfo(const fs::path& folder) {
  const fs::path info = folder / "bwrapinfo.json";
  std::error_code ec;
  if (fs::symlink_status(info, ec).type() != fs::file_type::regular) return std::nullopt;
  std::ifstream in(info, std::ios::binary);
  std::string text(kMaxInfoBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad() || static_cast<std::size_t>(in.gcount()) > kMaxInfoBytes) return std::nullopt;
  text.resize(static_cast<std::size_t>(in.gcount()));
  const auto json = nlohmann::json::parse(text, nullptr, false);
  if (!json.is_object()) return std::nullopt;
  const auto pid = json.find("child-pid");
  if (pid == json.end() || !pid->is_number_integer() || pid->get<long long>() <= 1 ||
      pid->get<long long>() > 1 << 30) {
    return std::nullopt;
  }
  SandboxInfo found{static_cast<int>(pid->get<long long>()), std::nullopt};
  const auto space = json.find("pid-namespace");
  if (space != json.end() && space->is_number_unsigned()) found.pidNamespace = space->get<unsigned long long>();
  return found;
}

// The folders in <runtime>/.flatpak named webkit-<pid of the process that
// started the sandbox>-<n>, with that pid.
std::vector<std::pair<fs::path, int>> sandboxFolders(const fs::path& runtimeFolder) {
  std::vector<std::pair<fs::path, int>> found;
  std::error_code ec;
  fs::directory_iterator it(runtimeFolder / ".flatpak", ec);
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with("webkit-")) continue;
    const std::size_t dash = name.find('-', 7);
    if (dash == std::string::npos || dash == 7 || dash + 1 == name.size() ||
        name.find_first_not_of("0123456789", 7) != dash ||
        name.find_first_not_of("0123456789", dash + 1) != std::string::npos || dash - 7 > 9) {
      continue;
    }
    std::error_code typeError;
    if (it->symlink_status(typeError).type() != fs::file_type::directory) continue;
    found.emplace_back(it->path(), std::stoi(name.substr(7, dash - 7)));
  }
  return found;
}

}  // namespace

std::size_t removeEndedSandboxFolders(const fs::path& runtimeFolder, int ownPid,
                                      const std::function<bool(int)>& isRunning, OwnSandboxes own) {
  struct Folder {
    fs::path path;
    bool ours;
  };
  std::vector<Folder> found;
  for (const auto& [path, starter] : sandboxFolders(runtimeFolder)) {
    // Another running application's folders are its own affair.
    if (starter != ownPid && isRunning(starter)) continue;
    found.push_back({path, starter == ownPid});
  }
  std::size_t left = 0;
  for (const auto& folder : found) {
    const auto info = sandboxInfo(folder.path);
    const bool ended = info ? !isRunning(info->pid) : !folder.ours || own == OwnSandboxes::Ended;
    std::error_code removeError;
    if (ended && fs::remove_all(folder.path, removeError) > 0 && !removeError) continue;
    if (folder.ours) ++left;
  }
  return left;
}

namespace {

// Field 22 of /proc/<pid>/stat: when the process started, in clock ticks since boot.
std::optional<unsigned long long> startOf(int pid) {
  const auto fields = statFields(pid);
  if (fields.size() <= 22 - 3) return std::nullopt;
  return std::strtoull(fields[22 - 3].c_str(), nullptr, 10);
}

bool ofThisUser(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("Uid:")) {
      std::istringstream ids(line.substr(4));
      unsigned long real = 0;
      return ids >> real && real == getuid();
    }
  }
  return false;
}

std::string pidNamespaceOf(const std::string& process) {
  std::error_code ec;
  return fs::read_symlink("/proc/" + process + "/ns/pid", ec).string();
}

}  // namespace

std::vector<int> runningSandboxesOf(const fs::path& runtimeFolder, int ownPid) {
  std::vector<int> found;
  const auto ownStart = startOf(ownPid);
  const std::string ownSpace = pidNamespaceOf(std::to_string(ownPid));
  if (!ownStart || ownSpace.empty()) return found;
  for (const auto& [path, starter] : sandboxFolders(runtimeFolder)) {
    if (starter != ownPid) continue;
    const auto info = sandboxInfo(path);
    if (!info || !info->pidNamespace || !processIsRunning(info->pid)) continue;
    const std::string space = pidNamespaceOf(std::to_string(info->pid));
    const auto start = startOf(info->pid);
    if (space == "pid:[" + std::to_string(*info->pidNamespace) + "]" && space != ownSpace && start &&
        *start >= *ownStart && ofThisUser(info->pid)) {
      found.push_back(info->pid);
    }
  }
  return found;
}

std::size_t removeEmptyWebKitFolders(const fs::path& runtimeFolder, const fs::path& ownRun) {
  if (!isPrivateFolder(runtimeFolder) || anotherRunUnder(runtimeFolder, ownRun)) return 0;
  std::size_t removed = 0;
  for (const char* name : {"webkitgtk", ".flatpak"}) {
    const fs::path folder = runtimeFolder / name;
    struct stat st {};
    // rmdir takes only an empty folder: whatever is made in it meanwhile keeps it.
    if (lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && rmdir(folder.c_str()) == 0) ++removed;
  }
  return removed;
}

namespace {

bool madeBefore(const struct stat& st, std::chrono::seconds ago) {
  timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  const auto age = std::chrono::seconds(now.tv_sec - st.st_mtim.tv_sec) +
                   std::chrono::nanoseconds(now.tv_nsec - st.st_mtim.tv_nsec);
  return age >= ago;
}

}  // namespace

std::size_t removeStaleProxyEntries(const fs::path& runtimeFolder, std::chrono::seconds settle) {
  if (!isPrivateFolder(runtimeFolder)) return 0;
  std::size_t removed = 0;
  std::error_code ec;
  fs::directory_iterator it(runtimeFolder / "webkitgtk", ec);
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with("bus-proxy-") && !name.starts_with("a11y-proxy-")) continue;
    const std::string path = it->path().string();
    struct stat st {};
    sockaddr_un address{};
    if (lstat(path.c_str(), &st) != 0 || st.st_uid != geteuid() || !madeBefore(st, settle)) continue;
    if (S_ISREG(st.st_mode)) {
      if (unlink(path.c_str()) == 0) ++removed;
      continue;
    }
    if (!S_ISSOCK(st.st_mode) || path.size() >= sizeof address.sun_path) continue;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (probe < 0) continue;
    // Refused: nothing listens. A busy one, or any other answer, is left alone.
    const bool stale = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                       errno == ECONNREFUSED;
    close(probe);
    if (stale && unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

std::vector<std::string> statFields(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return {};
  // "pid (name) state ...": the name may hold anything, so read after its last ')'.
  const auto close = line.rfind(')');
  if (close == std::string::npos) return {};
  std::istringstream rest(line.substr(close + 1));
  std::vector<std::string> fields;
  for (std::string field; rest >> field;) fields.push_back(field);
  return fields;
}

bool processIsRunning(int pid) {
  const auto fields = statFields(pid);
  return !fields.empty() && fields[0] != "Z" && fields[0] != "X";
}

void sweepRuntime(const fs::path& runtimeFolder, const RunFolder& ownRun, OwnSandboxes own) {
  removeEndedSandboxFolders(runtimeFolder, getpid(), processIsRunning, own);
  removeStaleProxyEntries(runtimeFolder);
  removeEmptyWebKitFolders(runtimeFolder, ownRun.path());
}

}  // namespace kivari
