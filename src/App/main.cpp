#include "App/KivariDesktopApp.h"
#include "Shell/ClockText.h"
#include "Shell/RendererChoice.h"

#include <glib.h>

#include <filesystem>
#include <system_error>

int main() {
  kivari::settleDefaultLocale();
  // Before GTK starts: without a GPU, GL would be drawn in software.
  if (auto renderer = kivari::chooseRenderer(g_getenv("GSK_RENDERER"), kivari::hasRenderDevice())) {
    g_setenv("GSK_RENDERER", renderer->c_str(), TRUE);
  }
  // Web views keep sandbox bookkeeping in the session's runtime folder. With
  // no session one (a bare X server), GLib would pick the home folder, and
  // web content must never leave files there: use a private folder instead.
  std::filesystem::path privateRuntime;
  if (g_getenv("XDG_RUNTIME_DIR") == nullptr) {
    if (gchar* dir = g_dir_make_tmp("kivari-runtime-XXXXXX", nullptr)) {
      privateRuntime = dir;
      g_setenv("XDG_RUNTIME_DIR", dir, TRUE);
      g_free(dir);
    }
  }
  int status = 0;
  {
    kivari::KivariDesktopApp app;
    status = app.run();
  }
  if (!privateRuntime.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(privateRuntime, ec);
  }
  return status;
}
