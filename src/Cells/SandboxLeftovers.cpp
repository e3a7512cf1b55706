#include "Cells/SandboxLeftovers.h"

#include "Core/RunFolder.h"

#include <nlohmann/json.hpp>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace kivari {

namespace fs = std::filesystem;

namespace {

// bwrap's own small record; anything larger is not it.
constexpr std::size_t kMaxInfoBytes = 4096;

std::optional<int> sandboxPid(const fs::path& folder) {
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
  return static_cast<int>(pid->get<long long>());
}

}  // namespace

std::size_t removeEndedSandboxFolders(const fs::path& runtimeFolder, int ownPid,
                                      const std::function<bool(int)>& isRunning) {
  struct Folder {
    fs::path path;
    bool ours;
  };
  std::vector<Folder> found;
  std::error_code ec;
  fs::directory_iterator it(runtimeFolder / ".flatpak", ec);
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    // webkit-<the pid of the process that started it>-<n>
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
    const int starter = std::stoi(name.substr(7, dash - 7));
    // Another running application's folders are its own affair.
    if (starter != ownPid && isRunning(starter)) continue;
    found.push_back({it->path(), starter == ownPid});
  }
  std::size_t left = 0;
  for (const auto& folder : found) {
    const auto pid = sandboxPid(folder.path);
    std::error_code removeError;
    if (pid && !isRunning(*pid) && fs::remove_all(folder.path, removeError) > 0 && !removeError) continue;
    if (folder.ours) ++left;
  }
  return left;
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

std::size_t removeStaleProxySockets(const fs::path& runtimeFolder, std::chrono::seconds settle) {
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
    if (lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != geteuid() ||
        path.size() >= sizeof address.sun_path || !madeBefore(st, settle)) {
      continue;
    }
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

bool processIsRunning(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  // "pid (name) state ...": the name may hold anything, so read after its last ')'.
  const auto close = line.rfind(')');
  if (close == std::string::npos || close + 2 >= line.size()) return false;
  const char state = line[close + 2];
  return state != 'Z' && state != 'X';
}

void sweepRuntime(const fs::path& runtimeFolder, const RunFolder& ownRun) {
  removeEndedSandboxFolders(runtimeFolder, getpid(), processIsRunning);
  removeStaleProxySockets(runtimeFolder);
  removeEmptyWebKitFolders(runtimeFolder, ownRun.path());
}

}  // namespace kivari
