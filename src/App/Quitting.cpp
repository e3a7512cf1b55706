#include "App/Quitting.h"

#include "Cells/SandboxLeftovers.h"
#include "Shell/AmbientAudio.h"

#include <glib-unix.h>
#include <glib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kivari {

namespace {

int quitPipe[2] = {-1, -1};
std::atomic<bool> asked = false;
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Only what is safe in a signal handler: note the quit for the main loop,
// and end the run anyway if it has not within five seconds. A second signal
// ends it at once, as it would without this.
void onQuitSignal(int) {
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigaction(SIGINT, &plain, nullptr);
  sigaction(SIGTERM, &plain, nullptr);
  alarm(5);
  asked = true;
  const char byte = 'q';
  [[maybe_unused]] const auto written = write(quitPipe[1], &byte, 1);
}

}  // namespace

void takeQuitSignals() {
  if (g_unix_open_pipe(quitPipe, FD_CLOEXEC, nullptr)) {
    g_unix_set_fd_nonblocking(quitPipe[1], TRUE, nullptr);
    struct sigaction action {};
    action.sa_handler = &onQuitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  // The launcher holds them back while this program loads: one that came
  // meanwhile is taken now. Nothing started later inherits the block.
  sigset_t quit;
  sigemptyset(&quit);
  sigaddset(&quit, SIGINT);
  sigaddset(&quit, SIGTERM);
  sigprocmask(SIG_UNBLOCK, &quit, nullptr);
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
  // The web engine's processes end after this one: what they hold, the next run sweeps.
  if (run) sweepRuntime(g_get_user_runtime_dir(), *run);
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
