// Starts a run as the program does, then sends an e-mail to its one
// argument, the recipient, as the composer's Send does, and waits for the
// answer: exits 0 when a program took it, else prints the fields the
// composer kept and why, and exits 1. First, if anything on its loop would
// give up on the answer before it comes, it says so. A critical or warning
// ends it at once.
// A process of its own: GIO reads the desktop's folders once per process.
#include "Cells/ComposeDraft.h"
#include "Cells/RunStart.h"
#include "Core/RunFolder.h"

#include <glib.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// One turn of the loop, as g_main_context_iteration takes it, that also
// tells how long the loop would wait for its next timer: -1 for none, as
// when the only thing it waits for is the bus's answer.
int turn() {
  GMainContext* context = g_main_context_default();
  g_main_context_acquire(context);
  gint priority = 0;
  g_main_context_prepare(context, &priority);
  std::vector<GPollFD> fds(8);
  gint timeout = -1;
  gint count = 0;
  while ((count = g_main_context_query(context, priority, &timeout, fds.data(), static_cast<gint>(fds.size()))) >
         static_cast<gint>(fds.size())) {
    fds.resize(static_cast<std::size_t>(count));
  }
  g_poll(fds.data(), static_cast<guint>(count), timeout);
  g_main_context_check(context, priority, fds.data(), count);
  g_main_context_dispatch(context);
  g_main_context_release(context);
  return timeout;
}

}  // namespace

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
  int deadline = -1;
  while (draft.sending()) deadline = std::max(deadline, turn());
  if (deadline > 0) std::printf("Gives up on the answer after %d ms\n", deadline);
  if (!draft.sendFailed()) return 0;
  std::printf("%s\n%s\n%s\n%s\n", draft.recipient().c_str(), draft.subject().c_str(), draft.body().c_str(),
              draft.failureLine().c_str());
  return 1;
}
