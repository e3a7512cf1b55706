#include "App/KivariDesktopApp.h"
#include "App/Quitting.h"
#include "Cells/RunStart.h"
#include "Core/RunFolder.h"
#include "Shell/RendererChoice.h"
#include "Ui/ClockText.h"

#include <gdk/x11/gdkx.h>
#include <glib.h>
#include <gtk/gtk.h>

#include <unistd.h>

#include <cstdio>
#include <memory>

namespace {

std::unique_ptr<kivari::RunFolder> run;
XIOErrorHandler gdkOnLostDisplay = nullptr;

// The display went away (the X server ended with the session): GDK's own
// handler reports it and ends the process where it stands, so the run ends
// here first.
int onLostDisplay(Display* display) {
  if (run) kivari::endRun(std::move(run), 1);
  if (gdkOnLostDisplay != nullptr) return gdkOnLostDisplay(display);
  _exit(1);
}

}  // namespace

int main() {
  // Before anything is set: the mail program gets the environment as the
  // user gave it (the launcher hands it on unchanged).
  kivari::keepUserEnvironment();
  // Then: a quit asked for at any moment ends the run as it should.
  kivari::takeQuitSignals();
  // A library's fatal error ends the run as any end does, not with a trap.
  kivari::endRunOnFatalErrors([](int status) { kivari::endRun(std::move(run), status); });
  kivari::settleDefaultLocale();
  // Before GTK starts: without a GPU, GL would be drawn in software.
  if (auto renderer = kivari::chooseRenderer(g_getenv("GSK_RENDERER"), kivari::hasRenderDevice())) {
    g_setenv("GSK_RENDERER", renderer->c_str(), TRUE);
  }
  // Before any library reads its environment: the caches GStreamer and the
  // event-sound library keep go to a folder of this run, not under HOME.
  run = kivari::startRun(g_getenv("XDG_RUNTIME_DIR"));
  int status = 0;
  // A quit asked for already needs no window.
  if (!kivari::quitAsked()) {
    // GTK ends the process outright when it cannot open the display; opened
    // here first, a display that is not there ends the run as any other end.
    if (!gtk_init_check()) {
      std::fprintf(stderr, "kivari: cannot open the display\n");
      return kivari::endRun(std::move(run), 1);
    }
    if (GDK_IS_X11_DISPLAY(gdk_display_get_default())) gdkOnLostDisplay = XSetIOErrorHandler(&onLostDisplay);
    kivari::KivariDesktopApp app;
    kivari::quitOnSignals([&app] { app.quit(); });
    status = app.run();
  }
  return kivari::endRun(std::move(run), status);
}
