#include "Cells/SandboxLeftovers.h"

#include "../TestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

namespace kivari {
namespace {

namespace fs = std::filesystem;

// This process is 100, running like 1000, another one; 502 is the one live sandbox.
TEST(SandboxLeftovers, RemovesFoldersWhoseSandboxHasEndedUnlessAnotherRunningProcessOwnsThem) {
  testing::TempFolder runtime;
  for (const auto& [name, info] : std::vector<std::pair<std::string, std::string>>{
           {"webkit-100-1", R"({"child-pid": 501, "pid-namespace": 1})"},  // ended: goes
           {"webkit-1001-2", R"({"child-pid": 501})"},                     // ended starter: goes
           {"webkit-100-3", R"({"child-pid": 502})"},
           {"webkit-1000-4", R"({"child-pid": 501})"},
           {"webkit-100-5", R"({"child-pid": "501"})"},
           {"webkit-100-6", "{\"child-pid\": 501}" + std::string(5000, ' ')},
           {"webkit-100-x", R"({"child-pid": 501})"}}) {
    runtime.write(".flatpak/" + name + "/bwrapinfo.json", info);
  }
  fs::create_directories(runtime.path() / ".flatpak/webkit-100-7");  // not written yet

  const auto left =
      removeEndedSandboxFolders(runtime.path(), 100, [](int pid) { return pid == 100 || pid == 502 || pid == 1000; });
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(runtime.path() / ".flatpak")) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"webkit-100-3", "webkit-1000-4", "webkit-100-5", "webkit-100-6",
                                          "webkit-100-x", "webkit-100-7"}));
  EXPECT_EQ(left, 4u);  // 3, 5, 6 and 7
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
}

}  // namespace
}  // namespace kivari
