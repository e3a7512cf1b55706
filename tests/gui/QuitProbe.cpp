// Runs as the program's main does, from its first line to its last, with a
// main loop where the window would be. Once the quit has begun, its sound
// thread writes into the run's cache over and over for a moment, as
// GStreamer writes its registry, making every folder on the way, and then
// never comes back. It starts two children as the program does: one in the
// run's environment, as the web engine's processes are, and one in the
// user's own, as the mail program is. Prints "<run folder> <pid> <pid>".
//   kivari_quit_probe early|later|hang
//     early: asks itself to quit before the run starts
//     hang:  the quit, once asked for, never returns
//     fatal: ends on a fatal error instead of a quit
//     fatal-quitting: the same, once a hang-up has asked it to quit
#include "App/Quitting.h"
#include "Cells/RunStart.h"
#include "Core/RunFolder.h"
#include "Shell/AmbientAudio.h"

#include <glib.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

GPid startSleeper(gchar** env) {
  char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("600"), nullptr};
  GPid pid = 0;
  // Not reaped by GLib: it stays this process's child, as the web engine's do.
  g_spawn_async(nullptr, argv, env, static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                nullptr, nullptr, &pid, nullptr);
  g_strfreev(env);
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string mode = argv[1];
  kivari::keepUserEnvironment();
  kivari::takeQuitSignals();
  // As a signal from outside comes: to the process, not to this thread, which holds it back.
  if (mode == "early") kill(getpid(), SIGTERM);
  auto run = kivari::startRun(std::getenv("XDG_RUNTIME_DIR"));
  if (!run) return 3;
  std::thread([cache = run->cacheFolder(), work = kivari::SoundWork()] {
    using namespace std::chrono_literals;
    while (!kivari::quitAsked()) std::this_thread::sleep_for(1ms);
    for (const auto until = std::chrono::steady_clock::now() + 50ms; std::chrono::steady_clock::now() < until;) {
      g_mkdir_with_parents((cache / "gstreamer-1.0").c_str(), 0755);
      std::ofstream(cache / "gstreamer-1.0" / "registry.bin") << "registry";
    }
    for (;;) std::this_thread::sleep_for(1h);
  }).detach();
  const GPid ofRun = startSleeper(g_get_environ());
  gchar** userEnv = g_new0(gchar*, kivari::userEnvironment().size() + 1);
  for (std::size_t i = 0; i < kivari::userEnvironment().size(); ++i) {
    userEnv[i] = g_strdup(kivari::userEnvironment()[i].c_str());
  }
  const GPid ofUser = startSleeper(userEnv);
  kivari::endRunOnFatalErrors([&run](int status) { kivari::endRun(std::move(run), status); });
  std::printf("%s %d %d\n", run->path().c_str(), ofRun, ofUser);
  std::fflush(stdout);
  if (mode.starts_with("fatal")) {
    if (mode == "fatal-quitting") kill(getpid(), SIGHUP);
    g_error("the engine gave up");
  }
  if (!kivari::quitAsked()) {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    kivari::quitOnSignals([loop, hang = mode == "hang"] {
      while (hang) std::this_thread::sleep_for(std::chrono::hours(1));
      g_main_loop_quit(loop);
    });
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
  }
  return kivari::endRun(std::move(run), 0);
}
