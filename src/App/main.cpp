#include "App/KivariDesktopApp.h"
#include "App/Quitting.h"
#include "Cells/SandboxLeftovers.h"
#include "Shell/RendererChoice.h"
#include "Ui/ClockText.h"

#include <glib.h>

#include <memory>

int main() {
  // Before anything else: a quit asked for at any moment ends the run as it should.
  kivari::takeQuitSignals();
  kivari::settleDefaultLocale();
  // Before GTK starts: without a GPU, GL would be drawn in software.
  if (auto renderer = kivari::chooseRenderer(g_getenv("GSK_RENDERER"), kivari::hasRenderDevice())) {
    g_setenv("GSK_RENDERER", renderer->c_str(), TRUE);
  }
  // Before any library reads its environment: the caches GStreamer and the
  // event-sound library keep go to a folder of this run, not under HOME.
  std::unique_ptr<kivari::RunFolder> run = kivari::startRun(g_getenv("XDG_RUNTIME_DIR"));
  int status = 0;
  // A quit asked for already needs no window.
  if (!kivari::quitAsked()) {
    kivari::KivariDesktopApp app;
    kivari::quitOnSignals([&app] { app.quit(); });
    status = app.run();
  }
  return kivari::endRun(std::move(run), status);
}
