#include "Intent/SystemControl.h"

#include "Core/RunFolder.h"
#include "Core/Text.h"

#include <glib-unix.h>
#include <glib.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <thread>

namespace kivari {

namespace {

// A spawned child we have not reaped yet; the pid stays ours until waitpid.
struct ChildState {
  GPid pid = 0;
  bool exited = false;
  int status = 0;
};

bool reapIfDone(ChildState& child, bool block) {
  if (child.exited) return true;
  for (;;) {
    const pid_t r = waitpid(child.pid, &child.status, block ? 0 : WNOHANG);
    if (r == child.pid) {
      child.exited = true;
      return true;
    }
    if (r == 0) return false;
    if (errno == EINTR) continue;
    // Someone else reaped it (SIGCHLD ignored): gone, status unknown.
    child.exited = true;
    child.status = -1;
    return true;
  }
}

int exitCode(int status) {
  if (status == -1) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Enough for any message worth showing; the rest is read and dropped so the
// child never stalls on a full pipe.
constexpr std::size_t kMaxErrorBytes = 64 * 1024;

// Reads what is available without blocking; false once the pipe reached EOF.
bool drain(int fd, std::string& into) {
  std::array<char, 4096> buffer{};
  for (;;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n > 0) {
      const auto room = kMaxErrorBytes - std::min(kMaxErrorBytes, into.size());
      into.append(buffer.data(), std::min(room, static_cast<std::size_t>(n)));
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK;
  }
}

}  // namespace

bool ProcessCommandRunner::programExists(const std::string& program) {
  if (program.empty()) return false;
  gchar* path = g_find_program_in_path(program.c_str());
  const bool found = path != nullptr;
  g_free(path);
  return found;
}

CommandResult ProcessCommandRunner::run(const std::vector<std::string>& argv,
                                        std::chrono::milliseconds limit) {
  CommandResult result;
  if (argv.empty() || argv.front().empty()) return result;

  std::vector<gchar*> cArgv;
  cArgv.reserve(argv.size() + 1);
  for (const auto& arg : argv) cArgv.push_back(const_cast<gchar*>(arg.c_str()));
  cArgv.push_back(nullptr);

  ChildState child;
  gint errFd = -1;
  GError* error = nullptr;
  const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                              G_SPAWN_STDIN_FROM_DEV_NULL |
                                              G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_CLOEXEC_PIPES);
  // The command takes signals as any program does, not as this run's threads.
  const GSpawnChildSetupFunc plainSignals = [](gpointer) { unblockQuitSignals(); };
  if (!g_spawn_async_with_pipes(nullptr, cArgv.data(), nullptr, flags, plainSignals, nullptr,
                                &child.pid, nullptr, nullptr, &errFd, &error)) {
    g_clear_error(&error);
    return result;
  }
  result.started = true;
  g_unix_set_fd_nonblocking(errFd, TRUE, nullptr);

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::max(limit, std::chrono::milliseconds::zero());
  bool errOpen = true;
  // Short slices so an exit is seen even while a grandchild still holds stderr.
  auto nap = std::chrono::milliseconds(1);
  while (!reapIfDone(child, false)) {
    const auto now = Clock::now();
    if (now >= deadline) {
      kill(child.pid, SIGKILL);
      reapIfDone(child, true);
      result.timedOut = true;
      break;
    }
    const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    const auto slice =
        std::min<std::chrono::milliseconds>({remaining, nap, std::chrono::milliseconds(10)});
    if (errOpen) {
      pollfd pfd{errFd, POLLIN, 0};
      if (poll(&pfd, 1, static_cast<int>(std::max<std::int64_t>(1, slice.count()))) > 0)
        errOpen = drain(errFd, result.errorOutput);
    } else {
      std::this_thread::sleep_for(slice);
    }
    nap = std::min(nap * 2, std::chrono::milliseconds(10));
  }
  if (errOpen) drain(errFd, result.errorOutput);
  close(errFd);
  g_spawn_close_pid(child.pid);

  result.exitStatus = exitCode(child.status);
  return result;
}

std::string_view script(SystemControlAction action) {
  switch (action) {
    case SystemControlAction::volumeUp:
      return "set volume output volume ((output volume of (get volume settings)) + 15)";
    case SystemControlAction::volumeDown:
      return "set volume output volume ((output volume of (get volume settings)) - 15)";
    case SystemControlAction::volumeMax:
      return "set volume output volume 100";
    case SystemControlAction::mute:
      return "set volume output muted true";
    case SystemControlAction::unmute:
      return "set volume output muted false";
    case SystemControlAction::sleep:
      return "tell application \"System Events\" to sleep";
    case SystemControlAction::lockScreen:
      return "tell application \"System Events\" to keystroke \"q\" using {command down, control "
             "down}";
  }
  return {};
}

std::string_view displayMessage(SystemControlAction action) {
  switch (action) {
    case SystemControlAction::volumeUp: return "Volume increased";
    case SystemControlAction::volumeDown: return "Volume decreased";
    case SystemControlAction::volumeMax: return "Volume set to maximum";
    case SystemControlAction::mute: return "Audio muted";
    case SystemControlAction::unmute: return "Audio unmuted";
    case SystemControlAction::sleep: return "Putting system to sleep";
    case SystemControlAction::lockScreen: return "Screen locked";
  }
  return {};
}

namespace SystemControl {

namespace {

struct Keyword {
  std::string_view phrase;
  SystemControlAction action;
};

using A = SystemControlAction;
// Constant-initialised, so it exists before any thread can ask for it.
constexpr std::array<Keyword, 22> kKeywords{{
    {"volume up", A::volumeUp},
    {"increase volume", A::volumeUp},
    {"raise volume", A::volumeUp},
    {"louder", A::volumeUp},
    {"turn it up", A::volumeUp},
    {"crank it up", A::volumeUp},
    {"max volume", A::volumeMax},
    {"maximum volume", A::volumeMax},
    {"make it max", A::volumeMax},
    {"full volume", A::volumeMax},
    {"volume down", A::volumeDown},
    {"decrease volume", A::volumeDown},
    {"lower volume", A::volumeDown},
    {"quieter", A::volumeDown},
    {"turn it down", A::volumeDown},
    {"unmute", A::unmute},
    {"mute", A::mute},
    {"silence", A::mute},
    {"go to sleep", A::sleep},
    {"sleep", A::sleep},
    {"lock screen", A::lockScreen},
    {"lock my screen", A::lockScreen},
}};

// Combining marks belong to the letter before them, so "sleep" + U+0301 is
// still one longer word.
bool isWordCharacter(UChar32 c) {
  return c >= 0 && (u_isalnum(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0);
}

bool occursAsWords(std::string_view text, std::string_view phrase) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (auto at = text.find(phrase); at != std::string_view::npos; at = text.find(phrase, at + 1)) {
    const auto begin = static_cast<int32_t>(at);
    const auto end = static_cast<int32_t>(at + phrase.size());
    UChar32 before = -1;
    if (begin > 0) {
      int32_t i = begin;
      U8_PREV(bytes, 0, i, before);
    }
    UChar32 after = -1;
    if (end < length) {
      int32_t i = end;
      U8_NEXT(bytes, i, length, after);
    }
    if (!isWordCharacter(before) && !isWordCharacter(after)) return true;
  }
  return false;
}

}  // namespace

std::optional<SystemControlAction> match(std::string_view text) {
  return matchLowercased(kivari::text::lowercased(text));
}

std::optional<SystemControlAction> matchLowercased(std::string_view lower) {
  // Surrounding blanks need no trimming: they are word edges anyway.
  for (const auto& keyword : kKeywords) {
    if (occursAsWords(lower, keyword.phrase)) return keyword.action;
  }
  return std::nullopt;
}

namespace {

using Argv = std::vector<std::string>;

// Each entry is tried in turn when the one before is not installed. Volume
// steps follow the 0-100 scale the scripts use: 15 points, capped at 100.
std::vector<Argv> commandsFor(SystemControlAction action) {
  switch (action) {
    case A::volumeUp:
      return {{"wpctl", "set-volume", "-l", "1.0", "@DEFAULT_AUDIO_SINK@", "15%+"},
              {"pactl", "set-sink-volume", "@DEFAULT_SINK@", "+15%"}};
    case A::volumeDown:
      return {{"wpctl", "set-volume", "@DEFAULT_AUDIO_SINK@", "15%-"},
              {"pactl", "set-sink-volume", "@DEFAULT_SINK@", "-15%"}};
    case A::volumeMax:
      return {{"wpctl", "set-volume", "@DEFAULT_AUDIO_SINK@", "1.0"},
              {"pactl", "set-sink-volume", "@DEFAULT_SINK@", "100%"}};
    case A::mute:
      return {{"wpctl", "set-mute", "@DEFAULT_AUDIO_SINK@", "1"},
              {"pactl", "set-sink-mute", "@DEFAULT_SINK@", "1"}};
    case A::unmute:
      return {{"wpctl", "set-mute", "@DEFAULT_AUDIO_SINK@", "0"},
              {"pactl", "set-sink-mute", "@DEFAULT_SINK@", "0"}};
    case A::sleep:
      return {{"systemctl", "suspend"}};
    case A::lockScreen:
      return {{"loginctl", "lock-session"}};
  }
  return {};
}

constexpr std::chrono::seconds kCommandLimit{5};

// The first non-blank line, as valid UTF-8 so it can be shown as is.
std::string firstLine(const std::string& errorOutput) {
  gchar* valid = g_utf8_make_valid(errorOutput.c_str(), static_cast<gssize>(errorOutput.size()));
  const std::string text = kivari::text::trimmed(valid);
  g_free(valid);
  const auto newline = text.find_first_of("\r\n");
  return kivari::text::trimmed(std::string_view(text).substr(0, newline));
}

}  // namespace

SystemActionResult execute(SystemControlAction action, CommandRunner& runner) {
  for (const auto& argv : commandsFor(action)) {
    if (!runner.programExists(argv.front())) continue;
    const CommandResult result = runner.run(argv, kCommandLimit);
    if (!result.started) continue;
    if (result.timedOut || result.exitStatus != 0) {
      std::string message = firstLine(result.errorOutput);
      if (message.empty()) message = "Unknown error";
      return {false, std::move(message)};
    }
    return {true, std::string(displayMessage(action))};
  }
  return {false, "Failed to create script"};
}

}  // namespace SystemControl

}  // namespace kivari
