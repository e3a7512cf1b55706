// The road of a timer, weather and music request through the real rules:
// typed, allowed with Return, read, dissolved with Esc.
#include "Cells/MusicCellView.h"
#include "Cells/TimerCellView.h"
#include "Cells/WeatherCellView.h"
#include "Core/AppState.h"
#include "Shell/CardViews.h"
#include "Shell/ContentView.h"
#include "Ui/Style.h"

#include "DesktopHarness.h"
#include "MainLoop.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <algorithm>
#include <functional>

namespace kivari {
namespace {

using testing::pump;
using testing::pumpUntil;
using testing::findIn;

void walk(Gtk::Widget& root, const std::function<void(Gtk::Widget&)>& visit) {
  visit(root);
  for (auto* c = root.get_first_child(); c != nullptr; c = c->get_next_sibling()) walk(*c, visit);
}

// What a person sees: the texts of the labels on screen.
std::vector<std::string> shownLabels(Gtk::Widget& root) {
  std::vector<std::string> out;
  walk(root, [&](Gtk::Widget& w) {
    if (auto* label = dynamic_cast<Gtk::Label*>(&w); label != nullptr && label->get_mapped()) {
      out.push_back(label->get_text());
    }
  });
  return out;
}

bool shows(Gtk::Widget& root, const std::string& text) {
  const auto labels = shownLabels(root);
  return std::find(labels.begin(), labels.end(), text) != labels.end();
}

// Buttons and bars a screen reader could not name: no text of their own and
// no accessible label.
int unnamedControls(Gtk::Widget& root) {
  int unnamed = 0;
  walk(root, [&](Gtk::Widget& w) {
    if (dynamic_cast<Gtk::Button*>(&w) == nullptr && dynamic_cast<Gtk::ProgressBar*>(&w) == nullptr) return;
    bool named = gtk_test_accessible_has_property(GTK_ACCESSIBLE(w.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL);
    walk(w, [&](Gtk::Widget& inner) {
      if (auto* label = dynamic_cast<Gtk::Label*>(&inner)) named = named || !label->get_text().empty();
    });
    if (!named) ++unnamed;
  });
  return unnamed;
}

class TimedCellsGuiTest : public ::testing::Test, protected testing::DesktopHarness {
 protected:
  void SetUp() override {
    ASSERT_TRUE(openDesktop(scheduler));
    takeKeyboard();
  }

  void TearDown() override { closeDesktop(); }

  void dissolve() {
    ASSERT_TRUE(dissolveWithEsc());
    EXPECT_EQ(state->statusMessages().back().text.rfind("No trace left", 0), 0u);
  }

  MainLoopScheduler scheduler;
};

TEST_F(TimedCellsGuiTest, TimerCountsToDoneSilentlyWithoutASoundDevice) {
  auto* timer = openByTyping<TimerCellView>("set a timer for 2 seconds");
  ASSERT_NE(timer, nullptr);
  for (const char* text : {"Timer", "Local Clock DNA", "2", "Pause", "Reset", "No background process after dissolve"}) {
    EXPECT_TRUE(shows(*timer, text)) << text;
  }
  EXPECT_FALSE(shows(*timer, "Done!"));
  EXPECT_EQ(unnamedControls(*timer), 0);
  // The real alert runs at zero; with no sound device it is silent and harmless.
  ASSERT_TRUE(pumpUntil([&] { return shows(*timer, "Done!"); }, 4000));
  EXPECT_TRUE(shows(*timer, "0"));
  g_signal_emit_by_name(timer->pauseButton().gobj(), "clicked");
  EXPECT_TRUE(shows(*timer, "Resume"));
  dissolve();

  // A time of many digits gets smaller type, to stay inside its ring.
  state->allow(Expression::timer(999'999'999, ""));
  ASSERT_TRUE(pumpUntil([&] {
    return (timer = findIn<TimerCellView>(content->cellLayer())) != nullptr && timer->get_mapped();
  }, 3000));
  int minimum = 0, natural = 0, baseline = 0;
  timer->timeLabel().measure(Gtk::Orientation::HORIZONTAL, -1, minimum, natural, baseline, baseline);
  EXPECT_LE(natural, TimerRing::kSize);
  dissolve();
}

TEST_F(TimedCellsGuiTest, WeatherShowsTheReadingForThePlaceAfterItsQuery) {
  auto* weather = openByTyping<WeatherCellView>("what's the weather in paris");
  ASSERT_NE(weather, nullptr);
  EXPECT_TRUE(shows(*weather, "Weather"));
  EXPECT_TRUE(shows(*weather, "Querying weather DNA\u2026"));
  EXPECT_FALSE(shows(*weather, "paris"));
  ASSERT_TRUE(pumpUntil([&] { return shows(*weather, "paris"); }, 4000));
  EXPECT_FALSE(shows(*weather, "Querying weather DNA\u2026"));
  EXPECT_TRUE(shows(*weather, weather->report().emoji()));
  EXPECT_TRUE(shows(*weather, weather->report().temperatureText()));
  for (const auto& [label, value] : WeatherReport::kStats) EXPECT_TRUE(shows(*weather, std::string(value)));
  EXPECT_EQ(unnamedControls(*weather), 0);
  dissolve();
}

TEST_F(TimedCellsGuiTest, MusicPlaysItsTrackAndNamesEveryButton) {
  auto* music = openByTyping<MusicCellView>("play some music");
  ASSERT_NE(music, nullptr);
  EXPECT_TRUE(shows(*music, "Music"));
  EXPECT_TRUE(shows(*music, std::string(music->player().track().title)));
  EXPECT_TRUE(shows(*music, "0:00"));
  EXPECT_TRUE(shows(*music, "4:00"));
  EXPECT_EQ(unnamedControls(*music), 0);
  EXPECT_EQ(gtk_test_accessible_check_property(GTK_ACCESSIBLE(music->playButton().gobj()),
                                               GTK_ACCESSIBLE_PROPERTY_LABEL, "Play"),
            nullptr);
  g_signal_emit_by_name(music->playButton().gobj(), "clicked");
  EXPECT_EQ(gtk_test_accessible_check_property(GTK_ACCESSIBLE(music->playButton().gobj()),
                                               GTK_ACCESSIBLE_PROPERTY_LABEL, "Pause"),
            nullptr);
  EXPECT_TRUE(pumpUntil([&] { return shows(*music, "0:01"); }, 3000));
  dissolve();
}

// A place of 6,000 characters, as words and as one unbroken string, allowed
// with Return: the readings come, the program goes on, and neither the cell
// nor the bar's Dissolve button reaches past the window.
TEST_F(TimedCellsGuiTest, WeatherForAVeryLongPlaceStaysInsideTheWindow) {
  std::string words;
  while (words.size() < 6000) words += "far away ";
  words.resize(6000);
  for (const std::string& place : {words, std::string(6000, 'x')}) {
    const int windowWidth = window->get_width();
    state->setIntentText("weather in " + place);
    state->submit();
    ASSERT_TRUE(pumpUntil([&] {
      auto* card = findIn<CapabilityPromptView>(content->cardLayer());
      return card != nullptr && card->allowButton().has_focus();
    }, 3000));
    ASSERT_TRUE(waitUntilCardTakesAllow());
    testing::xdotool({"key", "Return"});
    WeatherCellView* weather = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (weather = findIn<WeatherCellView>(content->cellLayer())) != nullptr; }, 3000));
    ASSERT_TRUE(pumpUntil([&] { return !shows(*weather, "Querying weather DNA\u2026"); }, 4000));
    pump(500);  // frames after the readings: the frame's glow is drawn for the new size
    EXPECT_EQ(window->get_width(), windowWidth);
    EXPECT_LE(content->cellLayer()->get_width(), windowWidth);
    graphene_rect_t bounds;
    ASSERT_TRUE(gtk_widget_compute_bounds(GTK_WIDGET(content->compactBar().dissolveButton().gobj()),
                                          GTK_WIDGET(window->gobj()), &bounds));
    EXPECT_LE(bounds.origin.x + bounds.size.width, static_cast<float>(windowWidth));
    dissolve();
  }
}

}  // namespace
}  // namespace kivari
