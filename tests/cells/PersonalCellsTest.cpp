#include "Cells/CalendarAgenda.h"
#include "Cells/ComposeDraft.h"
#include "Cells/ReminderNote.h"

#include "../TestSupport.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace kivari {
namespace {

using std::chrono::milliseconds;

struct Handed {
  ComposeType type;
  std::string to, subject, body;
  bool operator==(const Handed&) const = default;
};

using Outcome = NativeAppBridge::Outcome;

struct ComposeFixture {
  explicit ComposeFixture(ComposeType type, std::string to = "", std::string subject = "",
                          std::string body = "")
      : draft(type, std::move(to), std::move(subject), std::move(body), scheduler,
              [this] { ++closes; },
              [this](ComposeType t, const std::string& a, const std::string& s, const std::string& b,
                     NativeAppBridge::Answer answer) {
                handed.push_back({t, a, s, b});
                if (answerLater) {
                  later.push_back(std::move(answer));
                } else {
                  answer(taken ? Outcome::taken : Outcome::noProgram);
                }
              }) {}
  ManualScheduler scheduler;
  int closes = 0;
  bool taken = true;
  bool answerLater = false;
  std::vector<NativeAppBridge::Answer> later;
  std::vector<Handed> handed;
  ComposeDraft draft;
};

TEST(ComposeDraft, OnlyAnExactlyEmptyRecipientHoldsSendBackAndFieldsGoAsTyped) {
  ComposeFixture f(ComposeType::message, "", "ignored", " body ");
  EXPECT_FALSE(f.draft.canSend());
  f.draft.send();
  EXPECT_TRUE(f.handed.empty());
  f.draft.setRecipient("  ");
  ASSERT_TRUE(f.draft.canSend());
  f.draft.send();
  // A message never carries a subject.
  EXPECT_EQ(f.handed, (std::vector<Handed>{{ComposeType::message, "  ", "", " body "}}));

  ComposeFixture mail(ComposeType::email, "bob", "", "");
  mail.draft.send();
  mail.draft.setSubject("Lunch ");
  mail.draft.send();
  EXPECT_EQ(mail.handed, (std::vector<Handed>{{ComposeType::email, "bob", "", ""},
                                              {ComposeType::email, "bob", "Lunch ", ""}}));
}

TEST(ComposeDraft, ClosesHalfASecondAfterASendThatWasTaken) {
  ComposeFixture f(ComposeType::email, "bob@example.com", "Lunch", "At noon?");
  f.draft.send();
  EXPECT_FALSE(f.draft.sendFailed());
  f.scheduler.advance(milliseconds(499));
  EXPECT_EQ(f.closes, 0);
  f.scheduler.advance(milliseconds(1));
  EXPECT_EQ(f.closes, 1);
}

TEST(ComposeDraft, AMessageNobodyTookIsKeptAndTheCellStaysOpen) {
  ComposeFixture f(ComposeType::message, "mom", "", "I'll be late");
  f.taken = false;
  f.draft.send();
  EXPECT_TRUE(f.draft.sendFailed());
  EXPECT_EQ(f.draft.failureLine(), "Not sent \u00b7 No program on this desktop can send text messages");
  f.scheduler.advance(milliseconds(5000));
  EXPECT_EQ(f.closes, 0);
  EXPECT_EQ(f.draft.recipient(), "mom");
  EXPECT_EQ(f.draft.body(), "I'll be late");

  // A later hand-off that works clears the failure and closes as usual.
  f.taken = true;
  f.draft.send();
  EXPECT_FALSE(f.draft.sendFailed());
  EXPECT_EQ(f.draft.failureLine(), "");
  f.scheduler.advance(milliseconds(500));
  EXPECT_EQ(f.closes, 1);

  // No handoff at all is a failure too, never a silent success.
  f.draft.setHandoff(nullptr);
  f.draft.send();
  EXPECT_TRUE(f.draft.sendFailed());
}

// An answer that comes later: Send waits for it and takes no second press
// meanwhile, and a draft gone by then (the cell dissolved) hears nothing.
TEST(ComposeDraft, SendWaitsForALateAnswerThatADissolvedDraftNeverHears) {
  ComposeFixture f(ComposeType::email, "jo@acme.io", "Lunch", "At noon?");
  f.answerLater = true;
  int answers = 0;
  f.draft.setOnAnswer([&] { ++answers; });
  f.draft.send();
  EXPECT_TRUE(f.draft.sending());
  EXPECT_FALSE(f.draft.canSend());
  f.draft.send();
  EXPECT_EQ(f.handed.size(), 1u);
  f.scheduler.advance(milliseconds(5000));
  EXPECT_EQ(f.closes, 0);
  f.later[0](Outcome::noProgram);
  EXPECT_EQ(answers, 1);
  EXPECT_TRUE(f.draft.sendFailed());
  EXPECT_TRUE(f.draft.canSend());
  f.later[0](Outcome::taken);  // one answer per send
  EXPECT_TRUE(f.draft.sendFailed());

  f.draft.send();
  ASSERT_EQ(f.later.size(), 2u);
  EXPECT_FALSE(f.draft.sendFailed());  // not yet known
  f.later[1](Outcome::taken);
  f.scheduler.advance(milliseconds(500));
  EXPECT_EQ(f.closes, 1);

  // Dissolved before the answer came.
  ManualScheduler scheduler;
  NativeAppBridge::Answer late;
  int heard = 0;
  auto gone = std::make_unique<ComposeDraft>(
      ComposeType::message, "mom", "", "late", scheduler, [&] { ++heard; },
      [&](ComposeType, const std::string&, const std::string&, const std::string&, NativeAppBridge::Answer answer) {
        late = std::move(answer);
      });
  gone->setOnAnswer([&] { ++heard; });
  gone->send();
  gone.reset();
  late(Outcome::taken);
  EXPECT_EQ(scheduler.pendingCount(), 0u);
  scheduler.advance(milliseconds(500));
  EXPECT_EQ(heard, 0);
}

// An answer long in coming, as from a program the bus is still starting:
// after 25 s the draft says it has not answered yet, never that it was not
// sent, and holds Send until the answer, which is the one heard.
TEST(ComposeDraft, AnAnswerLongInComingIsSaidToBeAwaitedAndStillHeard) {
  ComposeFixture f(ComposeType::email, "jo@acme.io", "Lunch", "At noon?");
  f.answerLater = true;
  int told = 0;
  f.draft.setOnAnswer([&] { ++told; });
  f.draft.send();
  f.scheduler.advance(milliseconds(24999));
  EXPECT_FALSE(f.draft.waitingLong());
  EXPECT_EQ(f.draft.waitingLine(), "");
  f.scheduler.advance(milliseconds(1));
  EXPECT_EQ(told, 1);
  EXPECT_EQ(f.draft.waitingLine(),
            "Waiting for the mail program \u00b7 It has not answered yet and may still open the e-mail");
  EXPECT_FALSE(f.draft.sendFailed());
  EXPECT_FALSE(f.draft.canSend());
  f.scheduler.advance(milliseconds(600000));
  EXPECT_EQ(told, 1);
  f.later[0](Outcome::noProgram);  // the bus's own refusal, however late
  EXPECT_EQ(told, 2);
  EXPECT_FALSE(f.draft.waitingLong());
  EXPECT_EQ(f.draft.failureLine(), "Not sent \u00b7 No mail program on this desktop took the e-mail");

  // Each send waits afresh; one answered in time never says it waits.
  f.draft.send();
  f.scheduler.advance(milliseconds(24999));
  f.later[1](Outcome::taken);
  f.scheduler.advance(milliseconds(60000));
  EXPECT_FALSE(f.draft.waitingLong());
  EXPECT_EQ(told, 3);
  EXPECT_EQ(f.closes, 1);

  ComposeFixture text(ComposeType::message, "mom", "", "late");
  text.answerLater = true;
  text.draft.send();
  text.scheduler.advance(milliseconds(25000));
  EXPECT_EQ(text.draft.waitingLine(),
            "Waiting for the messaging program \u00b7 It has not answered yet and may still open the message");
}

// The desktop's hand-off, with a launcher that records instead of launching.
TEST(ComposeDraft, TheDesktopHandOffLaunchesEachFieldInItsPlace) {
  std::vector<std::string> launched;
  bool takes = true;
  const auto handoff = ComposeDraft::nativeHandoff([&](const std::string& uri, const NativeAppBridge::Done& done) {
    launched.push_back(uri);
    done(takes);
  });
  ComposeFixture mail(ComposeType::email, "jo@acme.io", "Lunch", "At noon?");
  mail.draft.setHandoff(handoff);
  mail.draft.send();
  EXPECT_FALSE(mail.draft.sendFailed());
  std::vector<Outcome> heard;
  const auto hear = [&](Outcome outcome) { heard.push_back(outcome); };
  handoff(ComposeType::message, "mom", "ignored", "late", hear);
  EXPECT_EQ(launched, (std::vector<std::string>{"mailto:jo%40acme.io?subject=Lunch&body=At%20noon%3F",
                                                "sms:mom?body=late"}));
  takes = false;
  handoff(ComposeType::email, "bob", "", "", hear);
  EXPECT_EQ(heard, (std::vector<Outcome>{Outcome::taken, Outcome::noProgram}));
}

// The real launch, after a run has started as the program's does: the mail
// program, which outlives the run, runs in a session of its own, gets
// exactly the environment the user started the program with (not the run's
// folders, nor the renderer the program set for itself), and is found in
// the user's data home although the run has its own, even one whose path
// holds a colon; and it takes the signals the run holds back. Here it
// prints its process ids, its blocked signals and its environment.
TEST(ComposeDraft, TheMailProgramGetsExactlyTheUsersEnvironmentInASessionOfItsOwn) {
  testing::TempFolder home;
  const std::string config = (home.path() / ".config").string();
  home.write("mail.sh", "#!/bin/sh\necho \"process $$ $(cut -d' ' -f5,6 /proc/$$/stat) \"\n"
                        "grep SigBlk /proc/$$/status | cut -f2\n"
                        "tr '\\0' '\\n' < /proc/$$/environ\n");
  std::filesystem::permissions(home.path() / "mail.sh", std::filesystem::perms::owner_all);
  home.write(".config/mimeapps.list", "[Default Applications]\nx-scheme-handler/mailto=kivari-test-mail.desktop\n");
  const auto runtime = home.path() / "runtime";
  std::filesystem::create_directory(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
  struct Case {
    std::string dataHome;  // under the home folder
    std::vector<std::string> set;
  };
  const auto at = [&](const char* relative) { return (home.path() / relative).string(); };
  for (const auto& [dataHome, set] : {Case{"data",
                                           {"XDG_CACHE_HOME=" + at("cache"), "XDG_DATA_HOME=" + at("data"),
                                            "XDG_DATA_DIRS=" + at("shared"), "GSK_RENDERER=ngl"}},
                                      Case{".local/share", {}}, Case{"my:data", {"XDG_DATA_HOME=" + at("my:data")}}}) {
    SCOPED_TRACE(dataHome);
    std::vector<std::string> env{"PATH=/usr/bin:/bin", "HOME=" + home.path().string(),
                                 "XDG_RUNTIME_DIR=" + runtime.string(), "XDG_CONFIG_DIRS=" + config};
    env.insert(env.end(), set.begin(), set.end());
    home.write(std::filesystem::path(dataHome) / "applications/kivari-test-mail.desktop",
               "[Desktop Entry]\nType=Application\nName=Mail\nExec=" + at("mail.sh") + " %u\n");
    std::vector<char*> envp;
    for (auto& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(KIVARI_LAUNCH_PROBE), const_cast<char*>("bob"), nullptr};
    // Its output ends once the mail program, which holds it too, has ended.
    gchar* out = nullptr;
    gint status = -1;
    ASSERT_TRUE(g_spawn_sync(nullptr, argv, envp.data(), G_SPAWN_DEFAULT, nullptr, nullptr, &out, nullptr,
                             &status, nullptr));
    std::istringstream lines(out != nullptr ? out : "");
    g_free(out);
    std::string word;
    pid_t pid = 0, group = 0, session = 0;
    std::string blocked;
    lines >> word >> pid >> group >> session >> blocked;
    std::set<std::string> seen;
    std::string entry;
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("GIO_LAUNCHED_DESKTOP_FILE=")) {
        entry = line.substr(line.find('=') + 1);
      } else if (!line.empty() && !line.starts_with("GIO_LAUNCHED_DESKTOP_FILE_PID=")) {
        seen.insert(line);
      }
    }
    // Where its entry really lies, not a link of the run's that goes with it.
    EXPECT_EQ(entry, std::filesystem::canonical(home.path() / dataHome / "applications/kivari-test-mail.desktop"));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(word, "process");  // the mail program ran
    EXPECT_EQ(session, pid);
    EXPECT_EQ(group, pid);
    EXPECT_NE(session, getsid(0));
    // It takes Ctrl+C and SIGTERM as any program does, not as the run's threads.
    const auto mask = std::strtoull(blocked.c_str(), nullptr, 16);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) EXPECT_FALSE((mask >> (signal - 1)) & 1) << blocked;
    EXPECT_EQ(seen, std::set<std::string>(env.begin(), env.end()));
  }
  EXPECT_TRUE(std::filesystem::is_empty(runtime));  // the run is gone with its process
}

// A mail program the session bus starts (DBusActivatable), on a bus of the
// probe's own: with no service for it nothing runs, nor with one whose
// program ends before it takes its name, and the composer hears so, keeps
// the e-mail and prints no critical (one would end the probe); once the
// bus starts it, slowly, the program gets the address, and nothing on the
// composer's side gave up on the answer meanwhile (GDBus would after 25 s).
TEST(ComposeDraft, AMailProgramTheBusStartsIsSentOnlyWhenTheBusStartsIt) {
  testing::TempFolder home;
  const auto at = [&](const char* relative) { return (home.path() / relative).string(); };
  home.write(".config/mimeapps.list", "[Default Applications]\nx-scheme-handler/mailto=org.kivari.TestMail.desktop\n");
  // Run as a plain command, it would leave a mark.
  home.write("spawned.sh", "#!/bin/sh\ntouch " + at("spawned") + "\n");
  std::filesystem::permissions(home.path() / "spawned.sh", std::filesystem::perms::owner_all);
  home.write("data/applications/org.kivari.TestMail.desktop",
             "[Desktop Entry]\nType=Application\nName=Mail\nDBusActivatable=true\nExec=" + at("spawned.sh") + " %u\n");
  std::filesystem::create_directory(home.path() / "runtime");
  std::filesystem::permissions(home.path() / "runtime", std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
  std::vector<std::string> env{"PATH=/usr/bin:/bin", "HOME=" + home.path().string(),
                               "XDG_RUNTIME_DIR=" + at("runtime"), "XDG_CONFIG_HOME=" + at(".config"),
                               "XDG_DATA_HOME=" + at("data")};
  std::vector<char*> envp;
  for (auto& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  const auto send = [&](std::string& out) {
    char* argv[] = {const_cast<char*>(KIVARI_DBUS_RUN_SESSION), const_cast<char*>("--"),
                    const_cast<char*>(KIVARI_LAUNCH_PROBE), const_cast<char*>("jo@acme.io"), nullptr};
    gchar* printed = nullptr;
    gint status = -1;
    EXPECT_TRUE(g_spawn_sync(nullptr, argv, envp.data(), G_SPAWN_DEFAULT, nullptr, nullptr, &printed, nullptr,
                             &status, nullptr));
    out = printed != nullptr ? printed : "";
    g_free(printed);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };

  const std::string kept = "jo@acme.io\nLunch\nAt noon?\nNot sent \u00b7 No mail program on this desktop took the e-mail\n";
  std::string out;
  EXPECT_EQ(send(out), 1);
  EXPECT_EQ(out, kept);
  const auto service = [&](const std::string& args) {
    home.write("data/dbus-1/services/org.kivari.TestMail.service",
               "[D-BUS Service]\nName=org.kivari.TestMail\nExec=" KIVARI_BUS_MAIL_PROBE + args + "\n");
  };
  service("");  // ends at once, its arguments wrong
  EXPECT_EQ(send(out), 1);
  EXPECT_EQ(out, kept);

  service(" " + at("opened") + " 1");
  EXPECT_EQ(send(out), 0) << out;
  std::ifstream opened(home.path() / "opened");
  std::string address;
  std::getline(opened, address);
  EXPECT_EQ(address, "mailto:jo%40acme.io?subject=Lunch&body=At%20noon%3F");
  EXPECT_FALSE(std::filesystem::exists(home.path() / "spawned"));
}

TEST(ReminderNote, EditingThenNotedOnceWithTheCloseAfterOneAndAHalfSeconds) {
  ManualScheduler scheduler;
  int closes = 0;
  ReminderNote note("", scheduler, [&] { ++closes; });
  EXPECT_FALSE(note.canConfirm());
  EXPECT_FALSE(note.confirm());
  note.setText(" ");
  ASSERT_TRUE(note.canConfirm());
  EXPECT_TRUE(note.confirm());
  EXPECT_TRUE(note.saved());
  EXPECT_FALSE(note.confirm());
  note.setText("call mom");
  EXPECT_TRUE(note.saved());
  EXPECT_FALSE(note.canConfirm());
  scheduler.advance(milliseconds(1499));
  EXPECT_EQ(closes, 0);
  scheduler.advance(milliseconds(1));
  EXPECT_EQ(closes, 1);
  scheduler.advance(milliseconds(5000));
  EXPECT_EQ(closes, 1);
}

TEST(CalendarAgenda, SourceColoursMatchWholeNamesExactly) {
  std::vector<Rgba> marks;
  for (const auto& event : todayEvents()) marks.push_back(calendarSourceColor(event.source));
  EXPECT_EQ(marks, (std::vector<Rgba>{palette::blue, palette::purple, palette::orange, palette::blue,
                                      palette::orange}));
  for (const char* other : {"google calendar", "Outlook ", "Google", "", "OUTLOOK"}) {
    EXPECT_EQ(calendarSourceColor(other), palette::orange) << other;
  }
}

TEST(CalendarAgenda, DateLinesFollowTheLocaleAndTheZone) {
  // 2026-12-06 23:30 UTC: Sunday in London, already Monday in Tokyo.
  const std::chrono::system_clock::time_point when{std::chrono::seconds(1796599800)};
  const auto us = calendarDateLines(when, "en_US", "Europe/London");
  EXPECT_EQ(us.weekday, "Sunday");
  EXPECT_EQ(us.date, "December 6, 2026");
  const auto de = calendarDateLines(when, "de_DE", "Asia/Tokyo");
  EXPECT_EQ(de.weekday, "Montag");
  EXPECT_EQ(de.date, "7. Dezember 2026");
}

}  // namespace
}  // namespace kivari
