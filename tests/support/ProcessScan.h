#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace kivari::testing {

// WebKit's helper processes started, directly or through the sandbox, by this process.
inline std::vector<std::string> webKitProcesses() {
  std::map<int, std::pair<int, std::string>> table;  // pid -> parent, name
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const auto open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    int parent = 0;
    char state = 0;
    std::istringstream rest(line.substr(close + 2));
    rest >> state >> parent;
    table[std::stoi(name)] = {parent, line.substr(open + 1, close - open - 1)};
  }
  std::vector<std::string> found;
  const int self = getpid();
  for (const auto& [pid, info] : table) {
    if (info.second.rfind("WebKit", 0) != 0) continue;
    for (int up = info.first; up > 1 && table.count(up); up = table[up].first) {
      if (up == self) {
        found.push_back(info.second + " " + std::to_string(pid));
        break;
      }
    }
  }
  return found;
}

}  // namespace kivari::testing
