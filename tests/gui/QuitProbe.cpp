// Runs as the program's main does, from its first line to its last, with a
// main loop where the window would be and a sound thread that never comes
// back: once the quit has begun, it writes into the run's cache as GStreamer
// writes its registry, making every folder on the way. Prints the run folder.
//   kivari_quit_probe early|later   early: asks itself to quit before the run starts
#include "App/Quitting.h"
#include "Cells/SandboxLeftovers.h"
#include "Shell/AmbientAudio.h"

#include <glib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  kivari::takeQuitSignals();
  if (std::strcmp(argv[1], "early") == 0) std::raise(SIGTERM);
  auto run = kivari::startRun(std::getenv("XDG_RUNTIME_DIR"));
  if (!run) return 3;
  std::thread([folder = run->path(), cache = run->cacheFolder(), work = kivari::SoundWork()] {
    using namespace std::chrono_literals;
    while (!kivari::quitAsked()) std::this_thread::sleep_for(1ms);
    for (int ms = 0; ms < 100 && std::filesystem::exists(folder); ++ms) std::this_thread::sleep_for(1ms);
    g_mkdir_with_parents((cache / "gstreamer-1.0").c_str(), 0755);
    std::ofstream(cache / "gstreamer-1.0" / "registry.bin") << "registry";
    for (;;) std::this_thread::sleep_for(1h);
  }).detach();
  std::printf("%s\n", run->path().c_str());
  std::fflush(stdout);
  if (!kivari::quitAsked()) {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    kivari::quitOnSignals([loop] { g_main_loop_quit(loop); });
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
  }
  return kivari::endRun(std::move(run), 0);
}
