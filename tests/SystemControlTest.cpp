#include "Intent/SystemControl.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <deque>
#include <set>
#include <string>

namespace kivari {
namespace {

using A = SystemControlAction;
using Argv = std::vector<std::string>;
using std::nullopt;
using namespace std::chrono_literals;

TEST(SystemControlMatch, EveryPhraseAloneAndInASentence) {
  const std::pair<std::string_view, A> table[] = {
      {"volume up", A::volumeUp},       {"increase volume", A::volumeUp},
      {"raise volume", A::volumeUp},    {"louder", A::volumeUp},
      {"turn it up", A::volumeUp},      {"crank it up", A::volumeUp},
      {"max volume", A::volumeMax},     {"maximum volume", A::volumeMax},
      {"make it max", A::volumeMax},    {"full volume", A::volumeMax},
      {"volume down", A::volumeDown},   {"decrease volume", A::volumeDown},
      {"lower volume", A::volumeDown},  {"quieter", A::volumeDown},
      {"turn it down", A::volumeDown},  {"unmute", A::unmute},
      {"mute", A::mute},                {"silence", A::mute},
      {"go to sleep", A::sleep},        {"sleep", A::sleep},
      {"lock screen", A::lockScreen},
      {"lock my screen", A::lockScreen},
  };
  for (const auto& [phrase, action] : table) {
    EXPECT_EQ(SystemControl::match(phrase), action) << phrase;
    EXPECT_EQ(SystemControl::match("please, " + std::string(phrase) + " now!"), action) << phrase;
  }
}

TEST(SystemControlMatch, OrderAndWholeWords) {
  const std::pair<std::string_view, std::optional<A>> cases[] = {
      // The first row in table order wins.
      {"mute, no wait, unmute", A::unmute}, {"volume up to max volume", A::volumeUp},
      {"silence and go to sleep", A::mute},
      // Whole words, judged on Unicode letters, digits and marks.
      {"my commute", nullopt}, {"fast asleep", nullopt}, {"audio unmuted", nullopt},
      {"2sleep", nullopt}, {"volume upward", nullopt},
      {"volume upward, then volume up", A::volumeUp},
      {"\u00e9mute", nullopt}, {"mute\u00e0", nullopt}, {"\u65e5sleep", nullopt},
      {"sleep\u0661", nullopt}, {"sleep\u0301", nullopt},
      {"(sleep)", A::sleep}, {"un-mute", A::mute}, {"sleep_now", A::sleep},
      {"\u00absleep\u00bb", A::sleep}, {"mute\u2014now", A::mute},
      // Blanks and invalid bytes.
      {"  \tvolume up \n", A::volumeUp}, {"  Volume Up  ", A::volumeUp}, {"UNMUTE", A::unmute},
      {"\xff" "mute\xfe", A::mute}, {"\xc3" "sleep", A::sleep},
      {"", nullopt}, {" \u00a0\n", nullopt}, {"turn up the volume", nullopt},
      {"lock my computer", nullopt}, {"volumeup", nullopt},
  };
  for (const auto& [text, action] : cases) EXPECT_EQ(SystemControl::match(text), action) << text;
}

class FakeRunner : public CommandRunner {
 public:
  std::set<std::string> installed{"wpctl", "pactl", "systemctl", "loginctl"};
  std::deque<CommandResult> results;  // once empty, every run succeeds
  std::vector<Argv> runs;
  std::vector<std::chrono::milliseconds> limits;

  bool programExists(const std::string& program) override { return installed.count(program) > 0; }
  CommandResult run(const Argv& argv, std::chrono::milliseconds limit) override {
    runs.push_back(argv);
    limits.push_back(limit);
    if (results.empty()) return {true, 0, false, {}};
    CommandResult next = results.front();
    results.pop_front();
    return next;
  }
};

TEST(SystemControlExecute, FixedCommandPerActionWithPactlFallback) {
  struct Row {
    A action;
    std::string_view message;
    Argv argv, fallback;
  };
  const Row rows[] = {
      {A::volumeUp, "Volume increased",
       {"wpctl", "set-volume", "-l", "1.0", "@DEFAULT_AUDIO_SINK@", "15%+"},
       {"pactl", "set-sink-volume", "@DEFAULT_SINK@", "+15%"}},
      {A::volumeDown, "Volume decreased", {"wpctl", "set-volume", "@DEFAULT_AUDIO_SINK@", "15%-"},
       {"pactl", "set-sink-volume", "@DEFAULT_SINK@", "-15%"}},
      {A::volumeMax, "Volume set to maximum",
       {"wpctl", "set-volume", "@DEFAULT_AUDIO_SINK@", "1.0"},
       {"pactl", "set-sink-volume", "@DEFAULT_SINK@", "100%"}},
      {A::mute, "Audio muted", {"wpctl", "set-mute", "@DEFAULT_AUDIO_SINK@", "1"},
       {"pactl", "set-sink-mute", "@DEFAULT_SINK@", "1"}},
      {A::unmute, "Audio unmuted", {"wpctl", "set-mute", "@DEFAULT_AUDIO_SINK@", "0"},
       {"pactl", "set-sink-mute", "@DEFAULT_SINK@", "0"}},
      {A::sleep, "Putting system to sleep", {"systemctl", "suspend"}, {}},
      {A::lockScreen, "Screen locked", {"loginctl", "lock-session"}, {}},
  };
  for (const auto& row : rows) {
    FakeRunner runner;
    EXPECT_EQ(SystemControl::execute(row.action, runner),
              (SystemActionResult{true, std::string(row.message)}));
    EXPECT_EQ(runner.runs, std::vector<Argv>{row.argv});
    EXPECT_EQ(runner.limits, std::vector<std::chrono::milliseconds>{5s});

    FakeRunner noWpctl;
    noWpctl.installed.erase(row.argv.front());
    const auto result = SystemControl::execute(row.action, noWpctl);
    EXPECT_EQ(result.success, !row.fallback.empty());
    EXPECT_EQ(noWpctl.runs,
              row.fallback.empty() ? std::vector<Argv>{} : std::vector<Argv>{row.fallback});
  }
  EXPECT_EQ(script(A::lockScreen),
            "tell application \"System Events\" to keystroke \"q\" using "
            "{command down, control down}");
}

TEST(SystemControlExecute, WhenNothingStarts) {
  const SystemActionResult failed{false, "Failed to create script"};
  FakeRunner none;
  none.installed.clear();
  EXPECT_EQ(SystemControl::execute(A::volumeUp, none), failed);
  EXPECT_TRUE(none.runs.empty());

  FakeRunner spawnFails;
  spawnFails.results = {{false, 0, false, {}}, {false, 0, false, {}}};
  EXPECT_EQ(SystemControl::execute(A::volumeDown, spawnFails), failed);
  EXPECT_EQ(spawnFails.runs.size(), 2u);  // pactl was tried too

  FakeRunner wpctlFails;  // a started wpctl that fails is reported, not retried
  wpctlFails.results = {{true, 1, false, "Failed to connect to PipeWire\n"}};
  EXPECT_EQ(SystemControl::execute(A::mute, wpctlFails),
            (SystemActionResult{false, "Failed to connect to PipeWire"}));
  EXPECT_EQ(wpctlFails.runs.size(), 1u);
}

TEST(SystemControlExecute, FailureMessages) {
  const std::pair<CommandResult, std::string> cases[] = {
      {{true, 1, false, "Access denied\nsecond line\n"}, "Access denied"},
      {{true, 4, false, "\n \r\n  Authentication required.  \r\nmore"}, "Authentication required."},
      {{true, 1, false, " \n\t\n"}, "Unknown error"},
      {{true, 137, true, ""}, "Unknown error"},
      {{true, 137, true, "Still waiting\n"}, "Still waiting"},
      {{true, 0, true, ""}, "Unknown error"},  // killed is a failure whatever the status
      {{true, 1, false, "bad \xff byte"}, "bad \xef\xbf\xbd byte"},
  };
  for (const auto& [commandResult, message] : cases) {
    FakeRunner runner;
    runner.results = {commandResult};
    EXPECT_EQ(SystemControl::execute(A::lockScreen, runner), (SystemActionResult{false, message}))
        << commandResult.errorOutput;
  }
}

// The real runner, with harmless programs only.

bool noChildrenLeft() {
  int status = 0;
  return waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

TEST(SystemControlProcessRunner, StartsExitsAndCapturesErrorOutput) {
  ProcessCommandRunner runner;
  EXPECT_TRUE(runner.programExists("true"));
  EXPECT_FALSE(runner.programExists("kivari-no-such-program-7f3a"));
  EXPECT_FALSE(runner.programExists(""));

  EXPECT_EQ(runner.run({"true"}, 5s).exitStatus, 0);
  EXPECT_NE(runner.run({"false"}, 5s).exitStatus, 0);
  for (const Argv& argv : {Argv{"kivari-no-such-program-7f3a"}, Argv{}, Argv{""}})
    EXPECT_FALSE(runner.run(argv, 5s).started);

  // No shell: the semicolon reaches ls as part of the path.
  const auto ls = runner.run({"ls", "/kivari-nonexistent; true"}, 5s);
  EXPECT_TRUE(ls.started);
  EXPECT_NE(ls.exitStatus, 0);
  EXPECT_NE(ls.errorOutput.find("/kivari-nonexistent; true"), std::string::npos) << ls.errorOutput;
  EXPECT_TRUE(noChildrenLeft());
}

TEST(SystemControlProcessRunner, OverrunningChildIsKilledAndReaped) {
  ProcessCommandRunner runner;
  for (const Argv& argv : {Argv{"sleep", "10"}, Argv{"sh", "-c", "exec 2>&-; sleep 10"}}) {
    const auto begin = std::chrono::steady_clock::now();
    const auto result = runner.run(argv, 200ms);
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    EXPECT_TRUE(result.started && result.timedOut) << argv.back();
    EXPECT_NE(result.exitStatus, 0);
    EXPECT_TRUE(elapsed >= 200ms && elapsed < 2s) << argv.back();
    EXPECT_TRUE(noChildrenLeft());
  }
}

TEST(SystemControlProcessRunner, ExitIsSeenWhileAGrandchildHoldsErrorOutput) {
  ProcessCommandRunner runner;
  const auto begin = std::chrono::steady_clock::now();
  const auto result = runner.run({"sh", "-c", "sleep 3 & echo oops >&2; exit 2"}, 5s);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(result.errorOutput, "oops\n");
}

// Kivari holds the quit signals back in all its threads but one; the
// command takes them again as any program does. What else the thread holds
// back stays held: the mask is handed on, only the quit signals are freed.
TEST(SystemControlProcessRunner, TheCommandTakesInterruptsThoughTheRunHoldsThemBack) {
  sigset_t held, before;
  sigemptyset(&held);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&held, signal);
  pthread_sigmask(SIG_BLOCK, &held, &before);
  // sed writes its own blocked set to its error output. Not through a
  // shell: dash lets every signal through in what it starts.
  const auto result = ProcessCommandRunner().run(
      {"sed", "-n", "s/^SigBlk:\\s*//w /dev/stderr", "/proc/self/status"}, 5s);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  ASSERT_EQ(result.exitStatus, 0) << result.errorOutput;
  const auto blocked = std::stoull(result.errorOutput, nullptr, 16);
  EXPECT_EQ(blocked & 0x4203, 0x200u) << result.errorOutput;  // SIGHUP 1, SIGINT 2, SIGUSR1 10, SIGTERM 15
}

}  // namespace
}  // namespace kivari
