// Starts a run as the program does, then sends an e-mail to its one
// argument, the recipient, as the composer's Send does, and waits for the
// answer: exits 0 when a program took it, else prints the fields the
// composer kept and why, and exits 1. A critical or warning ends it at once.
// A process of its own: GIO reads the desktop's folders once per process.
#include "Cells/ComposeDraft.h"
#include "Cells/RunStart.h"
#include "Core/RunFolder.h"

#include <glib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
  kivari::keepUserEnvironment();
  // As every thread of the program but one holds them back.
  sigset_t quit;
  sigemptyset(&quit);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&quit, signal);
  sigprocmask(SIG_BLOCK, &quit, nullptr);
  // As the program sets it for itself on a machine without a GPU.
  setenv("GSK_RENDERER", "cairo", 1);
  const auto run = kivari::startRun(std::getenv("XDG_RUNTIME_DIR"));
  if (!run) return 2;
  kivari::ManualScheduler noClose;
  kivari::ComposeDraft draft(kivari::ComposeType::email, argv[1], "Lunch", "At noon?", noClose, {});
  draft.send();
  while (draft.sending()) g_main_context_iteration(nullptr, TRUE);
  if (!draft.sendFailed()) return 0;
  std::printf("%s\n%s\n%s\n%s\n", draft.recipient().c_str(), draft.subject().c_str(), draft.body().c_str(),
              draft.failureLine().c_str());
  return 1;
}
