// Starts a run as the program does, then hands its one argument, an address,
// to the desktop as the composer's Send does. A process of its own: GIO
// reads the desktop's folders once per process.
#include "Cells/RunStart.h"
#include "Core/RunFolder.h"
#include "Intent/NativeAppBridge.h"

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  kivari::keepUserEnvironment();
  // As the program sets it for itself on a machine without a GPU.
  setenv("GSK_RENDERER", "cairo", 1);
  const auto run = kivari::startRun(std::getenv("XDG_RUNTIME_DIR"));
  return run && kivari::NativeAppBridge::launchWithDefaultHandler(argv[1]) ? 0 : 1;
}
