#include "Cells/SandboxLeftovers.h"

#include "../TestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

namespace kivari {
namespace {

namespace fs = std::filesystem;

TEST(SandboxLeftovers, RemovesOnlyOurFoldersWhoseSandboxHasEnded) {
  testing::TempFolder runtime;
  const fs::path sandboxes = runtime.path() / ".flatpak";
  auto instance = [&](const std::string& name, const std::string& info) {
    runtime.write(".flatpak/" + name + "/bwrapinfo.json", info);
  };
  instance("webkit-100-1", R"({"child-pid": 501, "pid-namespace": 1})");  // ended
  instance("webkit-100-2", R"({"child-pid": 502})");                      // still running
  instance("webkit-100-3", "{\"child-pid\": 503}" + std::string(5000, ' '));  // not bwrap's
  instance("webkit-100-4", R"({"child-pid": "501"})");
  instance("webkit-1000-5", R"({"child-pid": 501})");                     // a running process's
  instance("webkit-1001-8", R"({"child-pid": 501})");                     // an ended one's
  instance("webkit-100-x", R"({"child-pid": 501})");
  instance("flatpak-app", R"({"child-pid": 501})");
  fs::create_directories(sandboxes / "webkit-100-6");                     // not written yet
  fs::create_directory_symlink(sandboxes / "webkit-100-1", sandboxes / "webkit-100-7");

  const auto left =
      removeEndedSandboxFolders(runtime.path(), 100, [](int pid) { return pid == 502 || pid == 1000; });
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(sandboxes)) names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"webkit-100-2", "webkit-100-3", "webkit-100-4", "webkit-1000-5",
                                          "webkit-100-x", "flatpak-app", "webkit-100-6", "webkit-100-7"}));
  EXPECT_EQ(left, 4u);  // 2, 3, 4 and 6: the link is no folder of ours
  EXPECT_EQ(removeEndedSandboxFolders(runtime.path() / "none", 100, [](int) { return false; }), 0u);
}

TEST(SandboxLeftovers, AZombieIsNoLongerRunning) {
  EXPECT_TRUE(processIsRunning(getpid()));
  const pid_t child = fork();
  if (child == 0) _exit(0);
  // Until it is reaped, the ended child stays in the process table.
  for (int i = 0; i < 500 && processIsRunning(child); ++i) usleep(2000);
  EXPECT_FALSE(processIsRunning(child));
  EXPECT_TRUE(fs::exists("/proc/" + std::to_string(child)));
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(processIsRunning(child));
}

}  // namespace
}  // namespace kivari
