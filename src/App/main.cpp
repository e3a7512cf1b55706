#include "App/KivariDesktopApp.h"
#include "Cells/SandboxLeftovers.h"
#include "Core/RunFolder.h"
#include "Shell/AmbientAudio.h"
#include "Shell/RendererChoice.h"
#include "Ui/ClockText.h"

#include <glib-unix.h>
#include <glib.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

int quitPipe[2] = {-1, -1};

// Only what is safe in a signal handler: wake the main loop to quit, and
// end the run anyway if it has not within five seconds. A second signal
// ends it at once, as it would without this.
void onQuitSignal(int) {
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigaction(SIGINT, &plain, nullptr);
  sigaction(SIGTERM, &plain, nullptr);
  alarm(5);
  const char byte = 'q';
  [[maybe_unused]] const auto written = write(quitPipe[1], &byte, 1);
}

void quitOnSignals(kivari::KivariDesktopApp& app) {
  if (!g_unix_open_pipe(quitPipe, FD_CLOEXEC, nullptr)) return;
  g_unix_set_fd_nonblocking(quitPipe[1], TRUE, nullptr);
  g_unix_fd_add(quitPipe[0], G_IO_IN, [](gint, GIOCondition, gpointer data) -> gboolean {
    static_cast<kivari::KivariDesktopApp*>(data)->quit();
    return G_SOURCE_REMOVE;
  }, &app);
  struct sigaction action {};
  action.sa_handler = &onQuitSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main() {
  kivari::settleDefaultLocale();
  // Before GTK starts: without a GPU, GL would be drawn in software.
  if (auto renderer = kivari::chooseRenderer(g_getenv("GSK_RENDERER"), kivari::hasRenderDevice())) {
    g_setenv("GSK_RENDERER", renderer->c_str(), TRUE);
  }
  // Before any library reads its environment: the caches GStreamer and the
  // event-sound library keep go to a folder of this run, not under HOME.
  std::unique_ptr<kivari::RunFolder> run = kivari::startRun(g_getenv("XDG_RUNTIME_DIR"));
  int status = 0;
  {
    kivari::KivariDesktopApp app;
    quitOnSignals(app);
    status = app.run();
  }
  // The web engine's processes end after this one: what they hold, the next run sweeps.
  if (run) kivari::sweepRuntime(g_get_user_runtime_dir(), *run);
  run.reset();
  // A thread still inside the sound library may never come back, and the
  // libraries' own teardown at exit could wait on it or pull things from
  // under it: with our cleanup done, the process ends here instead.
  if (!kivari::SoundWork::settle(std::chrono::milliseconds(250))) {
    std::fflush(nullptr);
    _exit(status);
  }
  return status;
}
