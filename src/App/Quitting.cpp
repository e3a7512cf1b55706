#include "App/Quitting.h"

#include "Cells/SandboxLeftovers.h"
#include "Shell/AmbientAudio.h"

#include <glib-unix.h>
#include <glib.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kivari {

namespace {

int quitPipe[2] = {-1, -1};
std::atomic<bool> asked = false;
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Only what is safe in a signal handler: note the quit for the main loop,
// and end the run anyway if it has not within five seconds. A second
// SIGINT or SIGTERM ends it at once, as it would without this. A closing
// terminal sends hang-ups twice (the shell passes one on as it exits, then
// the system sends its own): they make one quit, so further ones are ignored.
void onQuitSignal(int) {
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigaction(SIGINT, &plain, nullptr);
  sigaction(SIGTERM, &plain, nullptr);
  struct sigaction ignored {};
  ignored.sa_handler = SIG_IGN;
  sigaction(SIGHUP, &ignored, nullptr);
  alarm(5);
  asked = true;
  const char byte = 'q';
  [[maybe_unused]] const auto written = write(quitPipe[1], &byte, 1);
}

// Whether one of the values in /proc/<pid>/environ lies in `folder`.
bool environmentIn(int pid, const std::string& folder) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
  std::string entry;
  // An environment far larger than any this run hands on is not read to its end.
  for (int count = 0; count < 4096 && std::getline(in, entry, '\0'); ++count) {
    const auto equals = entry.find('=');
    if (equals == std::string::npos) continue;
    const std::string_view value = std::string_view(entry).substr(equals + 1);
    if (value == folder || (value.starts_with(folder) && value.size() > folder.size() &&
                            value[folder.size()] == '/')) {
      return true;
    }
  }
  return false;
}

std::optional<int> parentOf(int pid) {
  const auto fields = statFields(pid);
  if (fields.size() < 2) return std::nullopt;
  return std::atoi(fields[1].c_str());
}

// The running processes below this one that the run started in its own
// environment, and all below them: the web engine's processes, its sandbox
// and what runs inside. What was started for the user in the user's own
// environment (the mail program) is not among them.
std::vector<int> processesOfRun(const std::string& folder) {
  std::unordered_map<int, std::vector<int>> children;
  std::error_code ec;
  std::filesystem::directory_iterator it("/proc", ec);
  for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos || name.size() > 9) continue;
    const int pid = std::stoi(name);
    if (const auto parent = parentOf(pid)) children[*parent].push_back(pid);
  }
  std::vector<int> found;
  std::vector<std::pair<int, bool>> next{{getpid(), false}};
  while (!next.empty()) {
    const auto [pid, inRun] = next.back();
    next.pop_back();
    for (const int child : children[pid]) {
      const bool childInRun = inRun || environmentIn(child, folder);
      if (childInRun && processIsRunning(child)) found.push_back(child);
      next.emplace_back(child, childInRun);
    }
  }
  return found;
}

// Ends them, and the web sandboxes this process started that are no longer
// below it (a signal to the whole process group ended their outer process),
// and waits, a bounded while, until none runs: one still ending no longer
// shows its environment. A process whose parent goes meanwhile comes to
// this one, so what it starts is still found. Answers whether all ended.
bool endProcessesOfRun(const std::filesystem::path& folder, const std::filesystem::path& runtimeFolder,
                       std::chrono::milliseconds grace) {
  if (folder.empty()) return false;
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const auto deadline = std::chrono::steady_clock::now() + grace;
  std::vector<int> ended;
  for (;;) {
    auto found = processesOfRun(folder.string());
    // The first process of a sandbox is the init of its pid namespace: all in it end with it.
    const auto sandboxes = runningSandboxesOf(runtimeFolder, getpid());
    found.insert(found.end(), sandboxes.begin(), sandboxes.end());
    for (const int pid : found) kill(pid, SIGKILL);
    ended.insert(ended.end(), found.begin(), found.end());
    std::erase_if(ended, [](int pid) { return !processIsRunning(pid); });
    if (ended.empty() || std::chrono::steady_clock::now() >= deadline) return ended.empty();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::function<void(int)>& fatalEnd() {
  static std::function<void(int)> end;
  return end;
}

// A quit signal already noted, or sent and not yet taken by its thread.
bool quitOnItsWay() {
  for (int look = 0; look < 10; ++look) {
    if (asked) return true;
    sigset_t pending;
    sigpending(&pending);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
      if (sigismember(&pending, signal)) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return asked;
}

GLogWriterOutput writeLog(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data) {
  if ((level & G_LOG_LEVEL_ERROR) == 0 || !fatalEnd()) return g_log_writer_default(level, fields, count, data);
  const bool quitting = quitOnItsWay();
  if (!quitting) {
    std::string message;
    for (gsize i = 0; i < count; ++i) {
      if (std::string_view(fields[i].key) != "MESSAGE" || fields[i].value == nullptr) continue;
      const auto* text = static_cast<const char*>(fields[i].value);
      message = fields[i].length < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(fields[i].length));
    }
    message = message.substr(0, message.find('\n'));
    std::fprintf(stderr, "kivari: ended on an error it cannot go on from: %s\n", message.c_str());
  }
  const int status = quitting ? 0 : 1;
  fatalEnd()(status);
  std::fflush(nullptr);
  _exit(status);
}

}  // namespace

void endRunOnFatalErrors(std::function<void(int status)> end) {
  const bool first = !fatalEnd();
  fatalEnd() = std::move(end);
  if (first) g_log_set_writer_func(&writeLog, nullptr, nullptr);
}

void takeQuitSignals() {
  const sigset_t quit = quitSignals();
  // Held back in this thread, and so in every thread and process started
  // from it. A signal to the whole process group (Ctrl+C, a closing
  // terminal) would otherwise also end the web engine's helpers, some of
  // which the engine cannot lose while it starts them: it aborts the whole
  // program. The run ends them itself as it quits.
  pthread_sigmask(SIG_BLOCK, &quit, nullptr);
  if (g_unix_open_pipe(quitPipe, FD_CLOEXEC, nullptr)) {
    g_unix_set_fd_nonblocking(quitPipe[1], TRUE, nullptr);
    struct sigaction action {};
    action.sa_handler = &onQuitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Started with hang-ups ignored (nohup): they stay so.
    struct sigaction before {};
    sigaction(SIGHUP, nullptr, &before);
    if (before.sa_handler != SIG_IGN) sigaction(SIGHUP, &action, nullptr);
  }
  // One thread takes them. It starts nothing, so nothing else ever has them
  // let through. A quit asked for while the launcher held them back (as
  // this program loaded) comes to it as it lets them through, and is noted
  // before this returns.
  std::promise<void> taking;
  auto taken = taking.get_future();
  std::thread([quit, taking = std::move(taking)]() mutable {
    pthread_sigmask(SIG_UNBLOCK, &quit, nullptr);
    taking.set_value();
    for (;;) pause();
  }).detach();
  taken.wait();
}

bool quitAsked() { return asked; }

void quitOnSignals(std::function<void()> quit) {
  if (quitPipe[0] < 0) return;
  g_unix_fd_add_full(
      G_PRIORITY_DEFAULT, quitPipe[0], G_IO_IN,
      [](gint, GIOCondition, gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(quit)),
      [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

int endRun(std::unique_ptr<RunFolder> run, int status) {
  if (run) {
    // Web processes still starting would write into the run folder once it
    // has gone, and to the terminal once this process has.
    const bool ended = endProcessesOfRun(run->path(), g_get_user_runtime_dir(), std::chrono::seconds(1));
    // Only then can no sandbox of this run still be filling in its record.
    sweepRuntime(g_get_user_runtime_dir(), *run, ended ? OwnSandboxes::Ended : OwnSandboxes::MayStillStart);
    // A run killed outright left its folder; this one's is held, so it stays.
    removeEndedRunFolders(run->path().parent_path());
  }
  // Sound work may still write into the run folder (GStreamer its registry,
  // as it starts): it gets a moment to end before the folder goes.
  const bool settled = SoundWork::settle(std::chrono::milliseconds(250));
  const std::filesystem::path folder = run ? run->path() : std::filesystem::path();
  run.reset();
  if (settled) return status;
  // A thread still inside the sound library may never come back, and the
  // libraries' own teardown at exit could wait on it or pull things from
  // under it: the process ends here instead, taking away once more what
  // that thread wrote meanwhile.
  std::fflush(nullptr);
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  _exit(status);
}

}  // namespace kivari
