#include "Cells/WebSandbox.h"

#include "../TestSupport.h"

#include <gtest/gtest.h>
#include <grp.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace kivari {
namespace {

namespace fs = std::filesystem;

// The sandbox skips what is not there, a link to nothing too, and stops at
// anything else on the way: a loop of links, a path through a file. The
// path is told as given, with the system's own words.
TEST(WebSandbox, APlaceIsUnbindableOnlyWhenItIsThereButCannotBeReached) {
  testing::TempFolder folder;
  folder.write("fonts/a.ttf", "");
  folder.write("file", "");
  fs::create_symlink(folder.path() / "loop", folder.path() / "loop");
  fs::create_symlink(folder.path() / "nowhere", folder.path() / "dangling");
  fs::create_symlink(folder.path() / "file", folder.path() / "to-file");
  const auto at = [&](const char* name) { return (folder.path() / name).string(); };

  for (const char* fine : {"fonts", "fonts/a.ttf", "file", "missing", "missing/fonts", "dangling"}) {
    EXPECT_FALSE(unbindablePath(at(fine))) << fine;
  }
  EXPECT_FALSE(unbindablePath(""));
  const auto loop = unbindablePath(at("loop"));
  ASSERT_TRUE(loop);
  EXPECT_EQ(loop->path, at("loop"));
  EXPECT_EQ(loop->reason, "Too many levels of symbolic links");
  for (const char* throughFile : {"file/fonts", "to-file/fonts"}) {
    const auto obstacle = unbindablePath(at(throughFile));
    ASSERT_TRUE(obstacle) << throughFile;
    EXPECT_EQ(obstacle->reason, "Not a directory");
  }
}

// The engine's bus proxy is given the folder of the session bus's socket,
// which must be there: one it cannot reach stops the sandbox as a bound
// place does, whatever else the address holds; an abstract socket has none.
TEST(WebSandbox, TheSessionBusFolderMustBeReachable) {
  testing::TempFolder folder;
  fs::create_symlink(folder.path() / "loop", folder.path() / "loop");
  const char* kept = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const std::string keptAddress = kept != nullptr ? kept : "";
  const auto obstacleFor = [](const std::string& address) {
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    const auto obstacle = webSandboxObstacle(false);
    // A system that refuses the sandbox altogether is no place's fault.
    return obstacle && !obstacle->path.empty() ? obstacle->path + ": " + obstacle->reason : "";
  };
  const std::string loop = (folder.path() / "loop").string();
  EXPECT_EQ(obstacleFor("unix:path=" + loop + "/bus,guid=0123"), loop + ": Too many levels of symbolic links");
  EXPECT_EQ(obstacleFor("unix:guid=0123,path=" + folder.path().string() + "/gone/bus"),
            folder.path().string() + "/gone: No such file or directory");
  EXPECT_EQ(obstacleFor("unix:abstract=" + loop + "/bus"), "");
  EXPECT_EQ(obstacleFor("unix:path=" + folder.path().string() + "/bus"), "");
  if (kept != nullptr) {
    setenv("DBUS_SESSION_BUS_ADDRESS", keptAddress.c_str(), 1);
  } else {
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
}

// A system that lets no one but root make namespaces: the sandbox program
// itself says so, and that is the answer. Made for real in a user namespace
// of this test's own, where no further one may be made, as a plain user.
TEST(WebSandbox, ASystemWithoutNamespacesForUsersRefusesTheSandbox) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to map a plain user into a namespace of its own";
  ASSERT_FALSE(sandboxRefused()) << "the sandbox program cannot run here at all";
  int ready[2], mapped[2], answer[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(mapped), 0);
  ASSERT_EQ(pipe(answer), 0);
  const pid_t child = fork();
  if (child == 0) {
    char byte = unshare(CLONE_NEWUSER) == 0 ? 'u' : 'n';
    [[maybe_unused]] auto written = write(ready[1], &byte, 1);
    if (byte != 'u' || read(mapped[0], &byte, 1) != 1) _exit(2);
    std::ofstream("/proc/sys/user/max_user_namespaces") << 0;
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    const auto refused = sandboxRefused();
    const std::string said = refused && refused->path.empty() ? refused->reason : "";
    written = write(answer[1], said.data(), said.size());
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  if (byte != 'u') {
    waitpid(child, nullptr, 0);
    GTEST_SKIP() << "no user namespaces here";
  }
  const std::string proc = "/proc/" + std::to_string(child);
  std::ofstream(proc + "/uid_map") << "0 0 65536";
  std::ofstream(proc + "/gid_map") << "0 0 65536";
  [[maybe_unused]] const auto written = write(mapped[1], "m", 1);
  close(answer[1]);
  std::string said;
  for (char buffer[512]; const auto got = read(answer[0], buffer, sizeof buffer);) {
    if (got < 0) break;
    said.append(buffer, static_cast<std::size_t>(got));
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_FALSE(said.empty());
  EXPECT_FALSE(said.starts_with("bwrap:")) << said;
  for (const int fd : {ready[0], ready[1], mapped[0], mapped[1], answer[0]}) close(fd);
}

}  // namespace
}  // namespace kivari
