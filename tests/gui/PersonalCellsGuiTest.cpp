// The composer, reminder, calendar and notes cells on the road a person
// takes: type the request, allow it, read the cell, dissolve it.
#include "Cells/ComposeExpressionView.h"
#include "Cells/NotesExpressionView.h"
#include "Cells/ReminderCellView.h"
#include "Core/AppState.h"
#include "Intent/NativeAppBridge.h"
#include "Shell/CardViews.h"
#include "Shell/ContentView.h"
#include "Ui/Style.h"

#include "DesktopHarness.h"
#include "GuiSupport.h"
#include "MainLoop.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace kivari {
namespace {

using std::chrono::milliseconds;
using testing::accessibleName;
using testing::click;
using testing::findIn;
using testing::holdsFocus;
using testing::pump;
using testing::pumpUntil;
using testing::xdotool;

void forEachShown(Gtk::Widget& w, const std::function<void(Gtk::Widget&)>& visit) {
  if (!w.get_visible()) return;
  visit(w);
  for (auto* c = w.get_first_child(); c != nullptr; c = c->get_next_sibling()) forEachShown(*c, visit);
}

struct CellReading {
  std::vector<std::string> labels;    // visible text
  std::set<std::string> controls;     // names of buttons and fields
  std::vector<std::string> nameless;  // controls a screen reader could not name
};

CellReading read(Gtk::Widget& cell) {
  CellReading out;
  forEachShown(cell, [&](Gtk::Widget& w) {
    auto* label = dynamic_cast<Gtk::Label*>(&w);
    if (label != nullptr && !label->get_text().empty()) out.labels.push_back(label->get_text());
    if (dynamic_cast<Gtk::Button*>(&w) || dynamic_cast<Gtk::Entry*>(&w) ||
        dynamic_cast<Gtk::TextView*>(&w)) {
      const std::string name = accessibleName(w);
      if (name.empty() || name.find("gtk") != std::string::npos) {
        out.nameless.push_back(G_OBJECT_TYPE_NAME(w.gobj()));
      } else {
        out.controls.insert(name);
      }
    }
  });
  return out;
}

bool has(const std::vector<std::string>& all, const std::string& one) {
  return std::find(all.begin(), all.end(), one) != all.end();
}

std::string textOf(Gtk::TextView& view) { return view.get_buffer()->get_text().raw(); }

// Answers every hand-off at once, and counts them.
ComposeDraft::Handoff answering(NativeAppBridge::Outcome outcome, int* count = nullptr) {
  return [=](ComposeType, const std::string&, const std::string&, const std::string&, NativeAppBridge::Answer answer) {
    if (count != nullptr) ++*count;
    answer(outcome);
  };
}

class PersonalCellsGuiTest : public ::testing::Test, protected testing::DesktopHarness {
 protected:
  void SetUp() override {
    AppStateServices services;  // the real rules, no language model
    services.executeSystemAction = [](SystemControlAction) { return SystemActionResult{true, "done"}; };
    ASSERT_TRUE(openDesktop(scheduler, std::move(services)));
    takeKeyboard();
  }

  void TearDown() override { closeDesktop(); }

  // A new request from the compact bar replaces the open cell.
  void replaceWithNotes() {
    state->setIntentText("write a note");
    state->submit();
    state->allow(Expression::notes());
    pump(20);
  }

  ManualScheduler scheduler;
};

TEST_F(PersonalCellsGuiTest, EachCellOnTheRoadIsNamedForScreenReadersAndDissolves) {
  struct Road {
    std::string request;
    std::set<std::string> controls;
    std::string label;
  };
  const std::vector<Road> roads{
      {"text mom I'll be late", {"Dissolve", "To", "Message", "Send"}, "Messages"},
      {"email bob about lunch", {"Dissolve", "To", "Subject", "Body", "Send"}, "Subject:"},
      {"remind me to call mom", {"Dissolve", "Reminder", "Set Reminder"}, "Local Store DNA"},
      {"check my calendar", {"Dissolve"}, "5 events"},
      {"write a note", {"Dissolve", "Note"}, "Ephemeral FS DNA"},
  };
  for (const auto& road : roads) {
    auto* cell = openByTyping<Gtk::Widget>(road.request);
    ASSERT_NE(cell, nullptr) << road.request;
    const auto seen = read(*cell);
    EXPECT_TRUE(seen.nameless.empty()) << road.request << ": " << seen.nameless.front();
    EXPECT_EQ(seen.controls, road.controls) << road.request;
    EXPECT_TRUE(has(seen.labels, road.label)) << road.request;
    ASSERT_TRUE(dissolveWithEsc()) << road.request;
  }
}

TEST_F(PersonalCellsGuiTest, ComposerKeepsAMessageNobodyTookAndSendsWithControlReturn) {
  auto* composer = openByTyping<ComposeExpressionView>("text mom I'll be late");
  ASSERT_NE(composer, nullptr);
  EXPECT_EQ(composer->recipientField().get_text(), "mom");
  composer->recipientField().set_text("");
  EXPECT_FALSE(composer->sendButton().get_sensitive());
  composer->recipientField().set_text("mom");

  // Nobody takes it: the cell stays, as typed, and says so.
  const auto body = textOf(composer->bodyField());
  const auto lines = state->statusMessages().size();
  composer->draft().setHandoff(answering(NativeAppBridge::Outcome::noProgram));
  click(composer->sendButton());
  scheduler.advance(milliseconds(2000));
  ASSERT_TRUE(state->mode().isExpressing());
  EXPECT_TRUE(composer->errorLine().get_visible());
  EXPECT_EQ(composer->recipientField().get_text(), "mom");
  EXPECT_EQ(textOf(composer->bodyField()), body);
  EXPECT_EQ(state->statusMessages().size(), lines);

  // Control-Return from the body sends without typing a new line.
  int sent = 0;
  composer->draft().setHandoff(answering(NativeAppBridge::Outcome::taken, &sent));
  composer->bodyField().grab_focus();
  xdotool({"key", "ctrl+Return"});
  ASSERT_TRUE(pumpUntil([&] { return sent == 1; }, 3000));
  EXPECT_EQ(textOf(composer->bodyField()), body);
  scheduler.advance(milliseconds(500));
  EXPECT_EQ(state->mode(), AppMode::prompt());
}

// An answer that comes later, as from a program the bus starts: Send takes
// no press until it comes, a long wait is said plainly, the answer shows
// when it comes, and one that comes after the cell has gone is dropped.
TEST_F(PersonalCellsGuiTest, ComposerShowsALateAnswerAndHoldsSendUntilThen) {
  std::vector<NativeAppBridge::Answer> later;
  const ComposeDraft::Handoff answeredLater = [&](ComposeType, const std::string&, const std::string&,
                                                  const std::string&, NativeAppBridge::Answer answer) {
    later.push_back(std::move(answer));
  };
  state->allow(Expression::email("bob@example.com", "Lunch", "At noon?"));
  pump(20);
  auto* composer = findIn<ComposeExpressionView>(content->cellLayer());
  ASSERT_NE(composer, nullptr);
  composer->draft().setHandoff(answeredLater);
  click(composer->sendButton());
  ASSERT_EQ(later.size(), 1u);
  EXPECT_FALSE(composer->sendButton().get_sensitive());
  scheduler.advance(milliseconds(25000));
  EXPECT_TRUE(composer->waitingLine().get_visible());
  EXPECT_EQ(composer->waitingLine().get_text(),
            "Waiting for the mail program \u00b7 It has not answered yet and may still open the e-mail");
  EXPECT_FALSE(composer->errorLine().get_visible());
  EXPECT_FALSE(composer->sendButton().get_sensitive());

  later[0](NativeAppBridge::Outcome::noProgram);
  EXPECT_TRUE(composer->sendButton().get_sensitive());
  EXPECT_FALSE(composer->waitingLine().get_visible());
  EXPECT_TRUE(composer->errorLine().get_visible());
  EXPECT_EQ(composer->errorLine().get_text(), "Not sent \u00b7 No mail program on this desktop took the e-mail");
  EXPECT_EQ(composer->recipientField().get_text(), "bob@example.com");

  click(composer->sendButton());
  ASSERT_EQ(later.size(), 2u);
  ASSERT_TRUE(dissolveWithEsc());
  const auto lines = state->statusMessages().size();
  scheduler.advance(milliseconds(30000));  // the cell is gone with its fade
  pump(20);
  later[1](NativeAppBridge::Outcome::taken);
  scheduler.advance(milliseconds(2000));
  EXPECT_EQ(state->mode(), AppMode::prompt());
  EXPECT_EQ(state->statusMessages().size(), lines);
}

// Past the part the field edits, a text is kept: after an edit at its start,
// the desktop gets the whole body and the reminder notes the whole text.
TEST_F(PersonalCellsGuiTest, AVeryLongTextGoesWholeAfterAnEdit) {
  std::string text;
  while (text.size() < 20000) text += "all work and no play ";
  text += "the end";
  state->allow(Expression::email("bob@example.com", "Lunch", text));
  pump(20);
  auto* composer = findIn<ComposeExpressionView>(content->cellLayer());
  ASSERT_NE(composer, nullptr);
  std::vector<std::string> launched;
  const auto recorded = ComposeDraft::nativeHandoff([&](const std::string& uri, const NativeAppBridge::Done& done) {
    launched.push_back(uri);
    done(true);
  });
  composer->draft().setHandoff(recorded);
  auto body = composer->bodyField().get_buffer();
  body->insert(body->begin(), "Dear Bob, ");
  click(composer->sendButton());
  ASSERT_EQ(launched.size(), 1u);
  EXPECT_TRUE(launched[0] == NativeAppBridge::mailtoAddress("bob@example.com", "Lunch", "Dear Bob, " + text))
      << launched[0].size();
  scheduler.advance(milliseconds(500));

  // Too long to hand over at all: the cell stays and says so.
  std::string accents;
  for (int i = 0; i < 50000; ++i) accents += "\u00e9";
  state->allow(Expression::email("bob@example.com", "Lunch", accents));
  pump(20);
  composer = findIn<ComposeExpressionView>(content->cellLayer());
  ASSERT_NE(composer, nullptr);
  composer->draft().setHandoff(recorded);
  click(composer->sendButton());
  scheduler.advance(milliseconds(2000));
  EXPECT_EQ(launched.size(), 1u);
  ASSERT_TRUE(state->mode().isExpressing());
  EXPECT_TRUE(composer->errorLine().get_visible());
  EXPECT_EQ(composer->errorLine().get_text(), "Not sent \u00b7 The e-mail is too long to hand to the mail program");
  EXPECT_TRUE(composer->draft().body() == accents);

  state->allow(Expression::reminder(text));
  pump(20);
  auto* reminder = findIn<ReminderCellView>(content->cellLayer());
  ASSERT_NE(reminder, nullptr);
  auto field = reminder->field().get_buffer();
  field->insert(field->begin(), "Soon: ");
  click(reminder->setButton());
  EXPECT_TRUE(reminder->note().saved());
  EXPECT_TRUE(reminder->note().text() == "Soon: " + text) << reminder->note().text().size();
}

TEST_F(PersonalCellsGuiTest, NotesTakeTheKeyboardAndStartEmptyEveryTime) {
  auto* notes = openByTyping<NotesExpressionView>("write a note");
  ASSERT_NE(notes, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return notes->editor().has_focus(); }, 3000));
  xdotool({"type", "--delay", "15", "milk"});
  ASSERT_TRUE(pumpUntil([&] { return textOf(notes->editor()) == "milk"; }, 3000));
  EXPECT_EQ(content->compactBar().field().get_text(), "");
  ASSERT_TRUE(dissolveWithEsc());
  state->allow(Expression::notes());
  pump(50);
  EXPECT_EQ(textOf(findIn<NotesExpressionView>(content->cellLayer())->editor()), "");
}

TEST_F(PersonalCellsGuiTest, SelfClosesCloseTheirOwnCellAndNoOther) {
  auto composerSent = [&] {
    state->allow(Expression::email("bob@example.com", "", ""));
    pump(20);
    auto* composer = findIn<ComposeExpressionView>(content->cellLayer());
    composer->draft().setHandoff(answering(NativeAppBridge::Outcome::taken));
    click(composer->sendButton());
  };
  auto reminderSet = [&] {
    state->allow(Expression::reminder("call mom"));
    pump(20);
    auto* reminder = findIn<ReminderCellView>(content->cellLayer());
    click(reminder->setButton());
    EXPECT_TRUE(reminder->notedLine().get_visible() && !reminder->setButton().get_visible());
  };
  for (const auto& selfClosing : {std::function<void()>(composerSent), std::function<void()>(reminderSet)}) {
    selfClosing();
    scheduler.advance(milliseconds(1500));
    EXPECT_EQ(state->mode(), AppMode::prompt());

    // Replaced by a new request before its close is due: the new cell stays.
    selfClosing();
    replaceWithNotes();
    auto lines = state->statusMessages().size();
    scheduler.advance(milliseconds(2000));
    EXPECT_EQ(state->mode(), AppMode::expressing(Expression::notes()));
    EXPECT_EQ(state->statusMessages().size(), lines);
    state->dissolve();

    // Dissolved with Esc before its close is due: the later close does nothing.
    selfClosing();
    ASSERT_TRUE(dissolveWithEsc());
    lines = state->statusMessages().size();
    scheduler.advance(milliseconds(2000));
    EXPECT_EQ(state->mode(), AppMode::prompt());
    EXPECT_EQ(state->statusMessages().size(), lines);
  }
}

}  // namespace
}  // namespace kivari
