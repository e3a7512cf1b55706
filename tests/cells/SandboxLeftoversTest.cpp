#include "Cells/RunStart.h"
#include "Cells/SandboxLeftovers.h"
#include "Core/RunFolder.h"

#include "../TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace kivari {
namespace {

namespace fs = std::filesystem;

// This process is 100, running like 1000, another one; 502 is the one live
// sandbox. A record that cannot be read is one a sandbox may still fill in
// while its starter runs: an ended starter's goes, this process's only once
// its quit has ended its processes.
TEST(SandboxLeftovers, RemovesFoldersWhoseSandboxHasEndedUnlessAnotherRunningProcessOwnsThem) {
  testing::TempFolder runtime;
  for (const auto& [name, info] : std::vector<std::pair<std::string, std::string>>{
           {"webkit-100-1", R"({"child-pid": 501, "pid-namespace": 1})"},  // ended: goes
           {"webkit-1001-2", R"({"child-pid": 501})"},                     // ended starter: goes
           {"webkit-100-3", R"({"child-pid": 502})"},
           {"webkit-1000-4", R"({"child-pid": 501})"},
           {"webkit-100-5", R"({"child-pid": "501"})"},
           {"webkit-100-6", "{\"child-pid\": 501}" + std::string(5000, ' ')},
           {"webkit-100-x", R"({"child-pid": 501})"},
           {"webkit-1002-8", ""},                        // ended starter, never written: goes
           {"webkit-1003-9", R"({"child-pid": "501"})"},  // ended starter, unreadable: goes
           {"webkit-1004-10", R"({"child-pid": 502})"},  // ended starter, live sandbox
           {"webkit-1000-11", ""}}) {
    runtime.write(".flatpak/" + name + "/bwrapinfo.json", info);
  }
  fs::create_directories(runtime.path() / ".flatpak/webkit-100-7");  // not written yet
  // Links are gone through, never followed.
  runtime.write("elsewhere/bwrapinfo.json", "");
  fs::create_directories(runtime.path() / ".flatpak/webkit-1005-12");
  fs::create_symlink(runtime.path() / "elsewhere/bwrapinfo.json",
                     runtime.path() / ".flatpak/webkit-1005-12/bwrapinfo.json");
  fs::create_directory_symlink(runtime.path() / "elsewhere", runtime.path() / ".flatpak/webkit-1006-13");
  const auto isRunning = [](int pid) { return pid == 100 || pid == 502 || pid == 1000; };

  const auto left = removeEndedSandboxFolders(runtime.path(), 100, isRunning);
  EXPECT_EQ(runtime.names(".flatpak"),
            (std::set<std::string>{"webkit-100-3", "webkit-1000-4", "webkit-100-5", "webkit-100-6", "webkit-100-x",
                                   "webkit-100-7", "webkit-1004-10", "webkit-1000-11", "webkit-1006-13"}));
  EXPECT_EQ(left, 4u);  // 3, 5, 6 and 7
  EXPECT_EQ(runtime.names("elsewhere"), std::set<std::string>{"bwrapinfo.json"});

  EXPECT_EQ(removeEndedSandboxFolders(runtime.path(), 100, isRunning, OwnSandboxes::Ended), 1u);
  EXPECT_EQ(runtime.names(".flatpak"), (std::set<std::string>{"webkit-100-3", "webkit-1000-4", "webkit-100-x",
                                                             "webkit-1004-10", "webkit-1000-11", "webkit-1006-13"}));
  EXPECT_EQ(runtime.names("elsewhere"), std::set<std::string>{"bwrapinfo.json"});
}

// A process as a sandbox's first one is once a signal to the whole group
// ended the sandbox's outer process: the init of a pid namespace of its own,
// no longer below this process, running as `uid`. None when it cannot be made.
pid_t sandboxLikeProcess(uid_t uid = getuid()) {
  int report[2];
  if (pipe(report) != 0) return 0;
  const pid_t outer = fork();
  if (outer == 0) {
    if (unshare(CLONE_NEWPID) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWPID) != 0) _exit(1);
    int ready[2];
    if (pipe(ready) != 0) _exit(1);
    const pid_t init = fork();
    if (init == 0) {
      if (uid != getuid() && setresuid(uid, uid, uid) != 0) _exit(1);
      [[maybe_unused]] const auto said = write(ready[1], "r", 1);
      for (;;) pause();
    }
    close(ready[1]);
    char byte = 0;
    if (read(ready[0], &byte, 1) == 1) {
      [[maybe_unused]] const auto written = write(report[1], &init, sizeof init);
    }
    _exit(0);
  }
  close(report[1]);
  pid_t init = 0;
  const bool made = read(report[0], &init, sizeof init) == sizeof init && init > 0;
  close(report[0]);
  waitpid(outer, nullptr, 0);
  return made ? init : 0;
}

unsigned long long pidSpaceOf(pid_t pid) {
  const std::string link = fs::read_symlink("/proc/" + std::to_string(pid) + "/ns/pid").string();
  return std::stoull(link.substr(link.find('[') + 1));
}

std::string sandboxRecord(pid_t pid, unsigned long long pidSpace) {
  return "{\"child-pid\": " + std::to_string(pid) + ", \"pid-namespace\": " + std::to_string(pidSpace) + "}";
}

void endSandboxLike(pid_t pid) {
  kill(pid, SIGKILL);
  for (int i = 0; i < 500 && processIsRunning(pid); ++i) usleep(2000);
}

// A sandbox whose outer process a signal to the whole group ended: its
// first process, the init of a pid namespace of its own, is no longer below
// this process. This process's folder naming it finds it, only while it
// still is the process named there: one started before the process asking
// cannot be one it started.
TEST(SandboxLeftovers, ASandboxNoLongerBelowThisProcessIsFoundByItsFolder) {
  const pid_t init = sandboxLikeProcess();
  if (init == 0) GTEST_SKIP() << "no pid namespace can be made here";
  testing::TempFolder runtime;
  const std::string own = ".flatpak/webkit-" + std::to_string(getpid());
  runtime.write(own + "-1/bwrapinfo.json", sandboxRecord(init, pidSpaceOf(init)));
  runtime.write(own + "-2/bwrapinfo.json", sandboxRecord(init, pidSpaceOf(init) + 1));  // not the namespace named
  // This process's own namespace.
  runtime.write(own + "-3/bwrapinfo.json", sandboxRecord(getpid(), pidSpaceOf(getpid())));
  runtime.write(own + "-4/bwrapinfo.json", "{\"child-pid\": " + std::to_string(init) + "}");  // none named
  runtime.write(".flatpak/webkit-" + std::to_string(getppid()) + "-5/bwrapinfo.json",
                sandboxRecord(init, pidSpaceOf(init)));
  EXPECT_EQ(runningSandboxesOf(runtime.path(), getpid()), std::vector<int>{init});

  // A process that started a clock tick or more after the sandbox, asking for its own folder.
  pid_t later = 0;
  for (int i = 0; i < 100 && later == 0; ++i) {
    later = fork();
    if (later == 0) {
      for (;;) pause();
    }
    if (std::stoull(statFields(later).at(19)) <= std::stoull(statFields(init).at(19))) {
      kill(later, SIGKILL);
      waitpid(later, nullptr, 0);
      later = 0;
      usleep(5000);
    }
  }
  ASSERT_NE(later, 0);
  runtime.write(".flatpak/webkit-" + std::to_string(later) + "-6/bwrapinfo.json",
                sandboxRecord(init, pidSpaceOf(init)));
  EXPECT_EQ(runningSandboxesOf(runtime.path(), later), std::vector<int>{});
  kill(later, SIGKILL);
  waitpid(later, nullptr, 0);

  endSandboxLike(init);
  EXPECT_EQ(runningSandboxesOf(runtime.path(), getpid()), std::vector<int>{});
}

// Only a sandbox of this user counts: as root, another user's process in a
// pid namespace of its own is never one this process started.
TEST(SandboxLeftovers, AnotherUsersProcessIsNoSandboxOfThisOne) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can start a process as another user";
  const pid_t init = sandboxLikeProcess(65534);
  if (init == 0) GTEST_SKIP() << "no pid namespace can be made here";
  testing::TempFolder runtime;
  runtime.write(".flatpak/webkit-" + std::to_string(getpid()) + "-1/bwrapinfo.json",
                sandboxRecord(init, pidSpaceOf(init)));
  EXPECT_EQ(runningSandboxesOf(runtime.path(), getpid()), std::vector<int>{});
  endSandboxLike(init);
}

// WebKit's empty folders go, unless they hold anything, the runtime folder
// is not private, or another run of Kivari there may use them.
TEST(SandboxLeftovers, EmptyWebKitFoldersGoWhenNoOtherRunMayUseThem) {
  testing::TempFolder runtime;
  auto own = RunFolder::create(runtime.path());
  ASSERT_TRUE(own);
  runtime.write("webkitgtk/bus-proxy-ABC123", "");
  fs::create_directories(runtime.path() / ".flatpak");
  fs::create_directories(runtime.path() / "kivari-run-Other1");  // starting: may use them soon
  EXPECT_EQ(removeEmptyWebKitFolders(runtime.path(), own->path()), 0u);
  fs::remove(runtime.path() / "kivari-run-Other1");
  fs::permissions(runtime.path(), fs::perms::others_write, fs::perm_options::add);
  EXPECT_EQ(removeEmptyWebKitFolders(runtime.path(), own->path()), 0u);
  fs::permissions(runtime.path(), fs::perms::others_write, fs::perm_options::remove);
  EXPECT_EQ(removeEmptyWebKitFolders(runtime.path(), own->path()), 1u);  // .flatpak
  EXPECT_TRUE(fs::exists(runtime.path() / "webkitgtk/bus-proxy-ABC123"));
  fs::remove(runtime.path() / "webkitgtk/bus-proxy-ABC123");
  EXPECT_EQ(removeEmptyWebKitFolders(runtime.path(), own->path()), 1u);
  EXPECT_EQ(runtime.names(), std::set<std::string>{own->path().filename().string()});
}

// A bus-proxy socket goes once no one listens on it and it has settled
// (a second), and so does a plain file by that name, which a crash left
// before the proxy made its socket there; one listened on, even with its
// queue full, one just made, someone else's, or a link stays.
TEST(SandboxLeftovers, StaleProxySocketsGo) {
  char made[] = "/tmp/kivari-sockets-XXXXXX";  // short enough for a socket's path
  ASSERT_NE(mkdtemp(made), nullptr);
  const fs::path runtime = made;
  fs::create_directories(runtime / "webkitgtk");
  const auto addressOf = [&](const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (runtime / "webkitgtk" / name).string();
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
  };
  auto bound = [&](const std::string& name, bool listening) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(name);
    EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    if (listening) {
      EXPECT_EQ(listen(fd, 1), 0);
    }
    return fd;
  };
  const int live = bound("bus-proxy-LIVE01", true);
  // Listened on with no room for one more: a connect gives EAGAIN, not ECONNREFUSED.
  const int busy = bound("bus-proxy-BUSY05", false);
  ASSERT_EQ(listen(busy, 0), 0);
  std::vector<int> queued;
  for (bool full = false; !full && queued.size() < 100;) {
    queued.push_back(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
    const sockaddr_un address = addressOf("bus-proxy-BUSY05");
    full = connect(queued.back(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno == EAGAIN;
  }
  ASSERT_LT(queued.size(), 100u);
  close(bound("bus-proxy-DEAD01", false));
  close(bound("a11y-proxy-DEAD02", false));
  close(bound("other-DEAD03", false));
  const auto madeAgo = [&](const std::string& name, long milliseconds) {
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long at = now.tv_sec * 1000LL + now.tv_nsec / 1000000 - milliseconds;
    const timespec times[2] = {{0, UTIME_OMIT}, {at / 1000, at % 1000 * 1000000}};
    utimensat(AT_FDCWD, (runtime / "webkitgtk" / name).c_str(), times, AT_SYMLINK_NOFOLLOW);
  };
  std::ofstream(runtime / "webkitgtk/bus-proxy-FILE04") << "";
  madeAgo("bus-proxy-FILE04", 500);
  std::ofstream(runtime / "webkitgtk/a11y-proxy-FILE06") << "x";
  madeAgo("a11y-proxy-FILE06", 2000);
  std::ofstream(runtime / "outside") << "";
  fs::create_symlink(runtime / "outside", runtime / "webkitgtk/bus-proxy-LINK07");
  madeAgo("bus-proxy-LINK07", 2000);
  std::ofstream(runtime / "webkitgtk/bus-proxy-USER08") << "";
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown((runtime / "webkitgtk/bus-proxy-USER08").c_str(), 65534, 65534), 0);
  }
  madeAgo("bus-proxy-USER08", 2000);
  EXPECT_EQ(removeStaleProxyEntries(runtime), root ? 1u : 2u);  // FILE06; the rest just made
  EXPECT_EQ(removeStaleProxyEntries(runtime, std::chrono::seconds(0)), 3u);
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(runtime / "webkitgtk")) left.insert(entry.path().filename());
  std::set<std::string> kept{"bus-proxy-LIVE01", "bus-proxy-BUSY05", "other-DEAD03", "bus-proxy-LINK07"};
  if (root) kept.insert("bus-proxy-USER08");
  EXPECT_EQ(left, kept);
  EXPECT_TRUE(fs::exists(runtime / "outside"));
  close(live);
  close(busy);
  for (const int client : queued) close(client);
  fs::remove_all(runtime);
}

// A run starts by sweeping what ended runs left; WebKit's empty folders go
// too, since the only run left there is this one. The process then has a
// data home in the run, with the user's own searched first and its fonts
// linked in; programs started for the user get the user's values back.
TEST(SandboxLeftovers, ARunStartsBySweepingWhatEndedRunsLeft) {
  testing::TempFolder runtime;
  fs::permissions(runtime.path(), fs::perms::owner_all, fs::perm_options::replace);
  runtime.write("kivari-run-Ended1/cache/registry.bin", "x");
  const timespec old[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 60, 0}};
  utimensat(AT_FDCWD, (runtime.path() / "kivari-run-Ended1").c_str(), old, 0);
  runtime.write(".flatpak/webkit-999999999-1/bwrapinfo.json", R"({"child-pid": 999999999})");
  fs::create_directories(runtime.path() / "webkitgtk");
  testing::TempFolder home;
  home.write(".local/share/fonts/own.ttf", "");
  const char* userHome = std::getenv("HOME");
  const std::string keptHome = userHome != nullptr ? userHome : "";
  setenv("HOME", home.path().c_str(), 1);
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_DATA_DIRS");

  auto run = startRun(runtime.path().c_str());
  ASSERT_TRUE(run);
  EXPECT_EQ(runtime.names(), std::set<std::string>{run->path().filename().string()});
  EXPECT_EQ(std::getenv("XDG_CACHE_HOME"), run->cacheFolder().string());
  EXPECT_EQ(std::getenv("XDG_DATA_HOME"), (run->path() / "data").string());
  EXPECT_TRUE(fs::is_directory(run->path() / "data"));
  EXPECT_EQ(std::getenv("XDG_DATA_DIRS"), home.path().string() + "/.local/share:/usr/local/share/:/usr/share/");
  EXPECT_TRUE(fs::exists(run->path() / "data/fonts/own.ttf"));
  for (const std::string name : {"XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
    unsetenv(name.c_str());
    for (const auto& entry : userEnvironment()) {
      if (entry.starts_with(name + "=")) setenv(name.c_str(), entry.c_str() + name.size() + 1, 1);
    }
  }
  EXPECT_EQ(std::getenv("XDG_DATA_HOME"), nullptr);
  EXPECT_EQ(std::getenv("XDG_DATA_DIRS"), nullptr);
  setenv("HOME", keptHome.c_str(), 1);
  // Run folders go whole, but not what the links in them lead to.
  run.reset();
  EXPECT_TRUE(fs::exists(home.path() / ".local/share/fonts/own.ttf"));
}

// The web engine's sandbox binds the fonts under each folder the run lists,
// and one that is a file or a loop, or whose fonts are, ends it: the run
// lists only folders whose fonts it can bind, in order, a link to one too,
// and GLib's own list when none of the user's is one.
TEST(SandboxLeftovers, ARunListsOnlyFoldersAsItsDataFolders) {
  testing::TempFolder runtime;
  fs::permissions(runtime.path(), fs::perms::owner_all, fs::perm_options::replace);
  testing::TempFolder user;
  user.write("file", "");
  user.write("first/x", "");
  user.write("second/x", "");
  fs::create_symlink(user.path() / "loop", user.path() / "loop");
  fs::create_directory_symlink(user.path() / "second", user.path() / "link");
  user.write("loopfonts/x", "");
  fs::create_symlink(user.path() / "loopfonts/fonts", user.path() / "loopfonts/fonts");
  user.write("filefonts/x", "");
  fs::create_symlink(user.path() / "file/fonts", user.path() / "filefonts/fonts");
  std::map<std::string, std::optional<std::string>> kept;
  for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CACHE_HOME"}) {
    const char* value = std::getenv(name);
    kept[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
  }
  const auto at = [&](const char* name) { return (user.path() / name).string(); };
  const auto listedFor = [&](const std::string& dataHome, const std::string& dataDirs) {
    setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    setenv("XDG_DATA_DIRS", dataDirs.c_str(), 1);
    auto run = startRun(runtime.path().c_str());
    const char* listed = std::getenv("XDG_DATA_DIRS");
    return run && listed != nullptr ? std::string(listed) : "no run";
  };

  EXPECT_EQ(listedFor(at("file"), at("first") + ":" + at("file") + ":" + at("loop") + ":" + at("file") + "/share:" +
                                      at("link") + ":" + at("missing") + ":" + at("loopfonts") + ":" +
                                      at("filefonts")),
            at("first") + ":" + at("link"));
  EXPECT_EQ(listedFor(at("loopfonts"), at("first")), at("first"));
  EXPECT_EQ(listedFor(at("loop"), at("file")), "/usr/local/share/:/usr/share/");
  EXPECT_EQ(listedFor(at("second"), at("loop")), at("second") + ":/usr/local/share/:/usr/share/");
  for (const auto& [name, value] : kept) {
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
}

// /proc/PID/stat reads "pid (name) state ...", and a name may hold ") Z".
TEST(SandboxLeftovers, AZombieIsNoLongerRunning) {
  EXPECT_TRUE(processIsRunning(getpid()));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t running = fork();
  if (running == 0) {
    prctl(PR_SET_NAME, "a) Z");
    [[maybe_unused]] const auto written = write(ready[1], "r", 1);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  EXPECT_TRUE(processIsRunning(running));
  kill(running, SIGKILL);
  waitpid(running, nullptr, 0);
  close(ready[0]);
  close(ready[1]);

  const pid_t child = fork();
  if (child == 0) {
    prctl(PR_SET_NAME, "a) R");
    _exit(0);
  }
  // Until it is reaped, the ended child stays in the process table.
  for (int i = 0; i < 500 && processIsRunning(child); ++i) usleep(2000);
  EXPECT_FALSE(processIsRunning(child));
  EXPECT_TRUE(fs::exists("/proc/" + std::to_string(child)));
  waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace kivari
