// The program's way out, each run in a process of its own: whatever ends it,
// and when, it leaves no run folder and nothing of its own still running.
#include "Cells/SandboxLeftovers.h"

#include "AccessibleTree.h"
#include "MainLoop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace kivari {
namespace {

namespace fs = std::filesystem;

// A private runtime folder for one run, and a home of its own when given one.
struct Runtime {
  fs::path path;
  std::string home;
  Runtime() {
    char* made = g_dir_make_tmp("kivari-quit-XXXXXX", nullptr);
    path = made != nullptr ? made : "";
    g_free(made);
  }
  ~Runtime() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  gchar** environment() const {
    gchar** env = g_environ_setenv(g_get_environ(), "XDG_RUNTIME_DIR", path.c_str(), TRUE);
    return home.empty() ? env : g_environ_setenv(env, "HOME", home.c_str(), TRUE);
  }
};

// However slowly it ends, as long as it does (a generous bound); nullopt: it did not.
std::optional<int> waitForEnd(pid_t pid) {
  int status = -1;
  if (testing::pumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 20000)) return status;
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return std::nullopt;
}

bool endedWith(const std::optional<int>& status, int code) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

struct Probe {
  GPid pid = 0;
  fs::path folder;
  int ofRun = 0, ofUser = 0;
};

// `ignoringHangUps`: started as nohup starts it. `said`: where what it
// prints on standard error is read from, when given.
Probe startProbe(const Runtime& runtime, const char* mode, bool ignoringHangUps = false, int* said = nullptr) {
  gchar** env = runtime.environment();
  char* argv[] = {const_cast<char*>(KIVARI_QUIT_PROBE), const_cast<char*>(mode), nullptr};
  Probe probe;
  int out = -1;
  const GSpawnChildSetupFunc nohup = [](gpointer) { signal(SIGHUP, SIG_IGN); };
  const bool spawned = g_spawn_async_with_pipes(nullptr, argv, env, G_SPAWN_DO_NOT_REAP_CHILD,
                                                ignoringHangUps ? nohup : nullptr, nullptr, &probe.pid, nullptr,
                                                &out, said, nullptr);
  g_strfreev(env);
  if (!spawned) return probe;
  FILE* lines = fdopen(out, "r");
  char folder[4096] = {};
  if (std::fscanf(lines, "%4095s %d %d", folder, &probe.ofRun, &probe.ofUser) == 3) probe.folder = folder;
  std::fclose(lines);
  return probe;
}

// A quit asked for before the run has started, and quits by SIGTERM and by
// a hang-up while the run's sound work writes into its cache and never
// comes back. Each ends with status 0 and leaves nothing in the runtime
// folder: not its own run folder, nor the folder of a run killed outright
// that settled after this one started, nor a sandbox folder of its own
// whose record a sandbox never wrote; the child it started in the run's
// environment has ended, the one started in the user's runs on.
TEST(QuitGuiTest, AQuitEndsTheRunCleanlyWhateverItsSoundWorkAndChildrenDo) {
  struct Case {
    const char* mode;
    int signal;
  };
  for (const auto& [mode, signal] : {Case{"early", 0}, Case{"later", SIGTERM}, Case{"later", SIGHUP}}) {
    SCOPED_TRACE(std::string(mode) + " " + std::to_string(signal));
    Runtime runtime;
    const Probe probe = startProbe(runtime, mode);
    ASSERT_GT(probe.pid, 0);
    if (signal != 0) {
      const fs::path killed = runtime.path / "kivari-run-Killed";
      fs::create_directories(killed / "cache");
      const timespec old[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 60, 0}};
      utimensat(AT_FDCWD, killed.c_str(), old, 0);
      const fs::path sandbox = runtime.path / ".flatpak" / ("webkit-" + std::to_string(probe.pid) + "-1");
      fs::create_directories(sandbox);
      std::ofstream(sandbox / "bwrapinfo.json") << "";
      kill(probe.pid, signal);
    }
    const auto status = waitForEnd(probe.pid);
    EXPECT_TRUE(status) << "still running after 20 s";
    EXPECT_TRUE(endedWith(status, 0)) << status.value_or(-1);
    EXPECT_EQ(probe.folder.parent_path(), runtime.path);
    EXPECT_TRUE(fs::is_empty(runtime.path));
    EXPECT_GT(probe.ofRun, 0);
    EXPECT_FALSE(processIsRunning(probe.ofRun));
    EXPECT_TRUE(processIsRunning(probe.ofUser));
    if (probe.ofUser > 0) kill(probe.ofUser, SIGKILL);
  }
}

// Everything a stream holds until it closes.
std::string readAll(int fd) {
  std::string text;
  for (char buffer[512]; const auto got = read(fd, buffer, sizeof buffer);) {
    if (got < 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return text;
}

// An error a library cannot go on from (the web engine's, when its sandbox
// fails for a cause no check foresaw) ends the run as a clean failure:
// status 1, not a trap; one line saying why; the run's folder and its
// processes gone, what was started for the user left running. Once a quit
// has been asked for (a closing terminal, which the engine's helpers then
// lose), it is that quit: status 0, nothing said.
TEST(QuitGuiTest, AFatalErrorEndsTheRunAsACleanFailureOrAsTheQuitAskedFor) {
  for (const auto& [mode, code] : {std::pair{"fatal", 1}, std::pair{"fatal-quitting", 0}}) {
    SCOPED_TRACE(mode);
    Runtime runtime;
    int said = -1;
    const Probe probe = startProbe(runtime, mode, false, &said);
    ASSERT_GT(probe.pid, 0);
    const auto status = waitForEnd(probe.pid);
    EXPECT_TRUE(endedWith(status, code)) << status.value_or(-1);
    EXPECT_TRUE(fs::is_empty(runtime.path));
    EXPECT_FALSE(processIsRunning(probe.ofRun));
    EXPECT_TRUE(processIsRunning(probe.ofUser));
    // Its children hold the stream open too.
    if (probe.ofUser > 0) kill(probe.ofUser, SIGKILL);
    EXPECT_EQ(readAll(said), code == 0 ? "" : "kivari: ended on an error it cannot go on from: the engine gave up\n");
  }
}

// A quit that never returns is still ended.
TEST(QuitGuiTest, AQuitThatHangsIsEndedAnyway) {
  Runtime runtime;
  const Probe probe = startProbe(runtime, "hang");
  ASSERT_GT(probe.pid, 0);
  kill(probe.pid, SIGTERM);
  EXPECT_TRUE(waitForEnd(probe.pid)) << "still running after 20 s";
  for (const int child : {probe.ofRun, probe.ofUser}) {
    if (child > 0) kill(child, SIGKILL);
  }
}

// Whether `signal` is in a process's set: "SigBlk" blocked, "SigIgn" ignored, "SigCgt" caught.
bool inSignalSet(pid_t pid, const std::string& set, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(set + ":")) return (std::stoull(line.substr(set.size() + 1), nullptr, 16) >> (signal - 1)) & 1;
  }
  return false;
}

// A closing terminal's hang-ups, the shell's and then the system's, make
// one quit that ends cleanly; a SIGTERM once a quit is under way ends the
// run at once. A run started with hang-ups ignored (nohup) keeps them
// ignored: a hang-up does not quit it, a SIGTERM then does, cleanly.
TEST(QuitGuiTest, AClosingTerminalsHangUpsMakeOneQuitAndNohupKeepsThemIgnored) {
  struct Case {
    const char* mode;
    int second;
    bool clean;
  };
  for (const auto& [mode, second, clean] : {Case{"later", SIGHUP, true}, Case{"hang", SIGTERM, false}}) {
    SCOPED_TRACE(second);
    Runtime runtime;
    const Probe probe = startProbe(runtime, mode);
    ASSERT_GT(probe.pid, 0);
    kill(probe.pid, SIGHUP);
    // Taken: the quit is under way.
    EXPECT_TRUE(testing::pumpUntil([&] { return !inSignalSet(probe.pid, "SigCgt", SIGHUP); }));
    kill(probe.pid, second);
    const auto status = waitForEnd(probe.pid);
    if (clean) {
      EXPECT_TRUE(endedWith(status, 0)) << status.value_or(-1);
      EXPECT_TRUE(fs::is_empty(runtime.path));
    } else {
      EXPECT_TRUE(status && WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM) << status.value_or(-1);
    }
    for (const int child : {probe.ofRun, probe.ofUser}) {
      if (child > 0) kill(child, SIGKILL);
    }
  }
  Runtime runtime;
  const Probe probe = startProbe(runtime, "later", true);
  ASSERT_GT(probe.pid, 0);
  EXPECT_TRUE(inSignalSet(probe.pid, "SigIgn", SIGHUP));
  kill(probe.pid, SIGHUP);
  kill(probe.pid, SIGTERM);
  const auto status = waitForEnd(probe.pid);
  EXPECT_TRUE(endedWith(status, 0)) << status.value_or(-1);
  EXPECT_TRUE(fs::is_empty(runtime.path));
  if (probe.ofUser > 0) kill(probe.ofUser, SIGKILL);
}

bool isDesktopProper(pid_t pid) {
  std::error_code ec;
  return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec).filename() == "kivari-desktop";
}

// Started as a person starts it, in a process group of its own with no
// signal blocked or ignored, on
// `display`; none: without one. `program`: the launcher, or the desktop
// proper started by hand.
pid_t startProgram(const Runtime& runtime, std::optional<std::string> display, const char* program = KIVARI_PROGRAM) {
  gchar** env = g_environ_unsetenv(runtime.environment(), "WAYLAND_DISPLAY");
  env = display ? g_environ_setenv(env, "DISPLAY", display->c_str(), TRUE) : g_environ_unsetenv(env, "DISPLAY");
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, quits;
  sigemptyset(&none);
  sigemptyset(&quits);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&quits, signal);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &quits);
  // A process group of its own, as a shell with job control starts it.
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  char* argv[] = {const_cast<char*>("kivari"), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, program, nullptr, &attr, argv, env) != 0) pid = 0;
  posix_spawnattr_destroy(&attr);
  g_strfreev(env);
  return pid;
}

// The program as started, asked to quit within its first milliseconds, as
// soon as it has begun, while its libraries still load: it ends as asked,
// with status 0 and no run folder. One that cannot open the display ends
// at once, with no run folder either.
TEST(QuitGuiTest, TheProgramAsStartedEndsCleanlyFromItsFirstMoments) {
  for (const int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    Runtime runtime;
    const pid_t pid = startProgram(runtime, g_getenv("DISPLAY"));
    ASSERT_GT(pid, 0);
    // Before its first instruction a signal ends any program; from the launcher's first lines on, it waits.
    for (int i = 0; i < 200000 && !inSignalSet(pid, "SigBlk", signal) && !isDesktopProper(pid); ++i) g_usleep(10);
    kill(pid, signal);
    const auto status = waitForEnd(pid);
    EXPECT_TRUE(endedWith(status, 0)) << status.value_or(-1);
    EXPECT_TRUE(fs::is_empty(runtime.path));
  }
  Runtime runtime;
  const pid_t pid = startProgram(runtime, std::nullopt);
  ASSERT_GT(pid, 0);
  const auto status = waitForEnd(pid);
  EXPECT_TRUE(endedWith(status, 1)) << status.value_or(-1);
  EXPECT_TRUE(fs::is_empty(runtime.path));
}

// The desktop proper started by hand, not through the launcher, nothing
// held back: once its run has begun its main thread holds back the quit
// signals itself, and so does all it starts (the web engine's helpers).
TEST(QuitGuiTest, TheDesktopStartedDirectlyHoldsBackTheQuitSignalsItself) {
  Runtime runtime;
  const pid_t pid = startProgram(runtime, g_getenv("DISPLAY"), KIVARI_DESKTOP);
  ASSERT_GT(pid, 0);
  // Its run folder: the quit signals are taken before it is made.
  EXPECT_TRUE(testing::pumpUntil([&] { return !fs::is_empty(runtime.path); }, 20000));
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) EXPECT_TRUE(inSignalSet(pid, "SigBlk", signal)) << signal;
  kill(pid, SIGTERM);
  const auto status = waitForEnd(pid);
  EXPECT_TRUE(endedWith(status, 0)) << status.value_or(-1);
}

// Whether xwininfo finds `what` on `display`.
bool xwininfo(const std::string& display, const char* what, const char* name = nullptr) {
  const char* argv[] = {"xwininfo", "-display", display.c_str(), what, name, nullptr};
  int status = -1;
  return g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr,
                      static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL |
                                               G_SPAWN_STDERR_TO_DEV_NULL),
                      nullptr, nullptr, nullptr, nullptr, &status, nullptr) &&
         g_spawn_check_wait_status(status, nullptr);
}

// An X server of its own, which a test may end. It never resets: an X
// server resets as its last client leaves and drops a client whose
// connection it took in the same moment, so the program connecting just
// as a probe of the display left would find no display.
struct PrivateDisplay {
  pid_t pid = 0;
  std::string name;
  PrivateDisplay() {
    int number[2];
    if (pipe(number) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, number[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("Xvfb"), const_cast<char*>("-displayfd"), const_cast<char*>("3"),
                    const_cast<char*>("-noreset"), const_cast<char*>("-nolisten"), const_cast<char*>("tcp"),
                    const_cast<char*>("-screen"), const_cast<char*>("0"), const_cast<char*>("1280x800x24"),
                    nullptr};
    if (posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv, environ) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(number[1]);
    char digits[16] = {};
    if (pid > 0 && read(number[0], digits, sizeof digits - 1) > 0) name = ":" + std::to_string(std::atoi(digits));
    close(number[0]);
    // Taking connections, not just named.
    if (!name.empty() && !testing::pumpUntil([&] { return xwininfo(name, "-root"); }, 10000)) name.clear();
  }
  ~PrivateDisplay() { end(); }
  void end() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = 0;
  }
};

// The program on an X server of its own, once its window shows; with a
// home of its own when given one.
struct ProgramOnItsOwnDisplay {
  PrivateDisplay display;
  Runtime runtime;
  pid_t pid = 0;
  bool shown = false;
  explicit ProgramOnItsOwnDisplay(std::string home = {}) {
    runtime.home = std::move(home);
    if (display.name.empty()) return;
    pid = startProgram(runtime, display.name);
    shown = pid > 0 && testing::pumpUntil([&] { return xwininfo(display.name, "-name", "Kivari"); }, 20000);
  }
};

// The X server ends while Kivari shows its window, as a session ends: the
// run ends with it and leaves no run folder.
TEST(QuitGuiTest, ALostDisplayLeavesNoRunFolder) {
  ProgramOnItsOwnDisplay program;
  ASSERT_TRUE(program.shown);
  program.display.end();
  const auto status = waitForEnd(program.pid);
  EXPECT_TRUE(status && WIFEXITED(*status)) << status.value_or(-1);
  for (const auto& entry : fs::directory_iterator(program.runtime.path)) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("kivari-run-")) << entry.path();
  }
}

// Runs xdotool on `display`.
void xdotool(const std::string& display, std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  gchar** env = g_environ_setenv(g_get_environ(), "DISPLAY", display.c_str(), TRUE);
  g_spawn_sync(nullptr, argv.data(), env,
               static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  g_strfreev(env);
}

// The first processes of the web sandboxes `pid` started, as their folders name them.
std::vector<int> sandboxesOf(const fs::path& runtime, pid_t pid) {
  std::vector<int> found;
  std::error_code ec;
  for (fs::directory_iterator it(runtime / ".flatpak", ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->path().filename().string().starts_with("webkit-" + std::to_string(pid) + "-")) continue;
    std::ifstream in(it->path() / "bwrapinfo.json");
    const auto info = nlohmann::json::parse(in, nullptr, false);
    if (info.is_object() && info.contains("child-pid")) found.push_back(info["child-pid"].get<int>());
  }
  return found;
}

// The processes that still run with `runtime` as their runtime folder: this
// run's and all it started.
std::vector<int> runningIn(const fs::path& runtime) {
  const std::string entry = "XDG_RUNTIME_DIR=" + runtime.string();
  std::vector<int> found;
  for (const auto& process : fs::directory_iterator("/proc")) {
    const std::string name = process.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(process.path() / "environ", std::ios::binary);
    for (std::string value; std::getline(in, value, '\0');) {
      if (value == entry && processIsRunning(std::stoi(name))) found.push_back(std::stoi(name));
    }
  }
  return found;
}

// Opens the calculator and presses Allow until the web engine has begun to
// start its sandboxed helpers; answers whether it has.
bool allowCalculator(const ProgramOnItsOwnDisplay& program) {
  const auto& display = program.display.name;
  // With no window manager the keyboard follows the pointer, and the prompt holds the focus.
  xdotool(display, {"mousemove", "200", "200", "type", "--delay", "20", "calculator"});
  xdotool(display, {"key", "Return"});
  // The card takes Allow once the launch cover has gone and its half second has passed.
  return testing::pumpUntil(
      [&] {
        xdotool(display, {"key", "Return"});
        return testing::pumpUntil([&] { return fs::exists(program.runtime.path / ".flatpak"); }, 100);
      },
      30000);
}

// What a quit must leave: status 0, nothing of the run in the runtime
// folder, and nothing of it still running.
void expectNothingLeft(const ProgramOnItsOwnDisplay& program) {
  const auto status = waitForEnd(program.pid);
  EXPECT_TRUE(endedWith(status, 0)) << status.value_or(-1);
  // The bus proxies' sockets, made within the second, are left to the next run's sweep.
  EXPECT_FALSE(fs::exists(program.runtime.path / ".flatpak"));
  for (const auto& entry : fs::directory_iterator(program.runtime.path)) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("kivari-run-")) << entry.path();
  }
  EXPECT_EQ(runningIn(program.runtime.path), std::vector<int>{});
}

// Ctrl+C in the terminal that started it, once the calculator shows: the
// interrupt reaches Kivari's whole process group, but none of the web
// engine's helpers takes it (they hold back what Kivari holds back). The run
// still ends cleanly, and nothing of its web sandboxes is left in the
// runtime folder or still runs.
TEST(QuitGuiTest, AnInterruptToTheWholeGroupLeavesNothingOfTheWebSandbox) {
  ProgramOnItsOwnDisplay program;
  ASSERT_TRUE(program.shown);
  EXPECT_TRUE(allowCalculator(program));
  // A moment later, as a person presses it: the page has loaded, and its
  // process takes a while to end.
  testing::pump(2000);
  const auto sandboxes = sandboxesOf(program.runtime.path, program.pid);
  EXPECT_FALSE(sandboxes.empty());
  const auto helpers = runningIn(program.runtime.path);
  EXPECT_GT(helpers.size(), 3u);  // the program, its web and network processes, their sandboxes
  for (const int helper : helpers) {
    if (helper == program.pid) continue;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) EXPECT_TRUE(inSignalSet(helper, "SigBlk", signal)) << helper;
  }
  kill(-program.pid, SIGINT);
  expectNothingLeft(program);
  // The first process of a sandbox is the init of its pid namespace: nothing in it runs once it has gone.
  for (const int process : sandboxes) EXPECT_FALSE(processIsRunning(process)) << process;
}

// The same interrupt while the web engine is still starting its helpers,
// waiting for its bus proxy, which it cannot lose then: still a quit like
// any other. Tried a few times, as it lands at a slightly other moment each.
TEST(QuitGuiTest, AnInterruptWhileTheWebEngineStartsIsAQuitLikeAnyOther) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    SCOPED_TRACE(attempt);
    ProgramOnItsOwnDisplay program;
    ASSERT_TRUE(program.shown);
    EXPECT_TRUE(allowCalculator(program));
    kill(-program.pid, SIGINT);
    expectNothingLeft(program);
  }
}

// A web cell whose sandbox cannot start, as the user's own fonts folder is
// a loop of links (the engine's sandbox stops there, and the engine ends
// the whole program): the cell and the ribbon say why, Kivari starts none
// of the engine's helpers and goes on, and then quits cleanly.
TEST(QuitGuiTest, AWebCellWhoseSandboxCannotStartSaysWhyAndKivariGoesOn) {
  Runtime home;
  const fs::path fonts = home.path / ".fonts";
  fs::create_symlink(fonts, fonts);
  ProgramOnItsOwnDisplay program(home.path.string());
  ASSERT_TRUE(program.shown);
  const auto& display = program.display.name;
  xdotool(display, {"mousemove", "200", "200", "type", "--delay", "20", "calculator"});
  xdotool(display, {"key", "Return"});
  const std::string why = "The sandbox cannot use " + fonts.string() + ": Too many levels of symbolic links.";
  // A pill of the ribbon may be cut short, its start never.
  const std::string ribbon = "Calculator could not be opened \u00b7 its web sandbox cannot use " + fonts.string();
  testing::AccessibleTreeReader reader(program.pid);
  std::set<std::string> names;
  // The card takes Allow once the launch cover has gone and its half second has passed.
  EXPECT_TRUE(testing::pumpUntil(
      [&] {
        xdotool(display, {"key", "Return"});
        names.clear();
        bool told = false;
        for (const auto& node : reader.read()) {
          names.insert(node.name);
          told = told || node.name.starts_with(ribbon);
        }
        return names.contains(why) && told;
      },
      30000))
      << reader.error();
  EXPECT_TRUE(names.contains("This cell cannot open: its web sandbox cannot start."));
  EXPECT_FALSE(fs::exists(program.runtime.path / ".flatpak"));
  EXPECT_EQ(runningIn(program.runtime.path), std::vector<int>{program.pid});
  kill(program.pid, SIGTERM);
  expectNothingLeft(program);
}

}  // namespace
}  // namespace kivari
