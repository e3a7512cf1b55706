// The program as started. It holds back the quit signals and becomes the
// desktop proper, which lies beside it. The desktop's libraries take a few
// hundredths of a second to load before any of its code runs: a quit asked
// for meanwhile waits, blocked, until the desktop takes it as its first step.
// Built on its own and statically, so nothing loads before this runs.
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string.h>
#include <unistd.h>

int main(int, char** argv) {
  sigset_t quit;
  sigemptyset(&quit);
  sigaddset(&quit, SIGINT);
  sigaddset(&quit, SIGTERM);
  sigaddset(&quit, SIGHUP);
  sigprocmask(SIG_BLOCK, &quit, nullptr);

  static const char kDesktop[] = "kivari-desktop";
  char program[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", program, sizeof program);
  char* slash = length > 0 && length < static_cast<ssize_t>(sizeof program)
                    ? static_cast<char*>(memrchr(program, '/', static_cast<size_t>(length)))
                    : nullptr;
  if (slash == nullptr || (slash - program) + 1 + sizeof kDesktop > sizeof program) {
    std::fprintf(stderr, "kivari: cannot tell where the program lies\n");
    return 127;
  }
  std::memcpy(slash + 1, kDesktop, sizeof kDesktop);
  execv(program, argv);
  std::perror(program);
  return 127;
}
