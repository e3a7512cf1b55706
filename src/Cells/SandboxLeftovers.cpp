#include "Cells/SandboxLeftovers.h"

#include <nlohmann/json.hpp>

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
  const std::string prefix = "webkit-" + std::to_string(ownPid) + "-";
  std::vector<fs::path> ours;
  std::error_code ec;
  fs::directory_iterator it(runtimeFolder / ".flatpak", ec);
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    if (name.starts_with(prefix) && name.size() > prefix.size() &&
        name.find_first_not_of("0123456789", prefix.size()) == std::string::npos &&
        it->symlink_status(typeError).type() == fs::file_type::directory) {
      ours.push_back(it->path());
    }
  }
  std::size_t left = 0;
  for (const auto& folder : ours) {
    const auto pid = sandboxPid(folder);
    std::error_code removeError;
    if (pid && !isRunning(*pid) && fs::remove_all(folder, removeError) > 0 && !removeError) continue;
    ++left;
  }
  return left;
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

}  // namespace kivari
