// Starts a run as the program does, then hands its one argument, an address,
// to the desktop as the composer's Send does. A process of its own: GIO
// reads the desktop's folders once per process.
#include "Cells/RunStart.h"
#include "Core/RunFolder.h"
#include "Intent/NativeAppBridge.h"

#include <csignal>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  kivari::keepUserEnvironment();
  // As every thread of the program but one holds them back.
  sigset_t quit;
  sigemptyset(&quit);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&quit, signal);
  sigprocmask(SIG_BLOCK, &quit, nullptr);
  // As the program sets it for itself on a machine without a GPU.
  setenv("GSK_RENDERER", "cairo", 1);
  const auto run = kivari::startRun(std::getenv("XDG_RUNTIME_DIR"));
  return run && kivari::NativeAppBridge::launchWithDefaultHandler(argv[1]) ? 0 : 1;
}
