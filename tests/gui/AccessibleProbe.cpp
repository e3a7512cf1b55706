// Waits until another process's window shows every name given, reading its
// accessible tree as a screen reader would, its web pages included; used to
// check an installed Kivari from outside.
//   kivari_a11y_probe PID TIMEOUT_MS NAME...
#include "AccessibleTree.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s PID TIMEOUT_MS NAME...\n", argv[0]);
    return 2;
  }
  const int pid = std::atoi(argv[1]);
  const int timeoutMs = std::atoi(argv[2]);
  const std::vector<std::string> wanted(argv + 3, argv + argc);
  kivari::testing::AccessibleTreeReader reader(pid, true);
  std::vector<kivari::testing::AccessibleNode> nodes;
  std::vector<std::string> missing = wanted;
  const gint64 end = g_get_monotonic_time() + gint64{timeoutMs} * 1000;
  while (true) {
    nodes = reader.read();
    missing.clear();
    for (const auto& name : wanted) {
      if (std::none_of(nodes.begin(), nodes.end(), [&](const auto& n) { return n.name == name; })) {
        missing.push_back(name);
      }
    }
    if (missing.empty()) return 0;
    if (g_get_monotonic_time() > end) break;
    kivari::testing::pump(200);
  }
  std::fprintf(stderr, "not shown within %d ms:", timeoutMs);
  for (const auto& name : missing) std::fprintf(stderr, " \"%s\"", name.c_str());
  std::fprintf(stderr, "%s%s\n", reader.error().empty() ? "" : "; ", reader.error().c_str());
  for (const auto& node : nodes) std::fprintf(stderr, "  %s\n", node.where.c_str());
  return 1;
}
