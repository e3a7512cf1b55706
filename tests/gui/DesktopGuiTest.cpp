#include "App/KivariDesktopApp.h"
#include "Core/AppState.h"
#include "Shell/CardViews.h"
#include "Shell/Cards.h"
#include "Shell/ContentView.h"
#include "Ui/CellFrame.h"
#include "Ui/Style.h"

#include "AccessibleTree.h"
#include "DesktopHarness.h"
#include "GuiSupport.h"
#include "MainLoop.h"

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>

// Last: the X11 headers define names such as None.
#include "XPointer.h"

namespace kivari {
namespace {

using testing::findIn;
using testing::holdsFocus;
using testing::pump;
using testing::xdotool;

// The desktop's waits are held to three seconds unless a test says otherwise.
bool pumpUntil(const std::function<bool()>& done, int limitMs = 3000) { return testing::pumpUntil(done, limitMs); }

// Return in a field, without going through the keyboard.
void pressReturn(Gtk::Entry& field) { g_signal_emit_by_name(field.gobj(), "activate"); }

std::vector<std::string> labelsIn(Gtk::Widget& root) {
  std::vector<std::string> out;
  std::function<void(Gtk::Widget&)> walk = [&](Gtk::Widget& w) {
    if (auto* label = dynamic_cast<Gtk::Label*>(&w)) out.push_back(label->get_text());
    for (auto* c = w.get_first_child(); c != nullptr; c = c->get_next_sibling()) walk(*c);
  };
  walk(root);
  return out;
}

class DesktopGuiTest : public ::testing::Test, protected testing::DesktopHarness {
 protected:
  void SetUp() override {
    AppStateServices services;
    services.classify = [this](const std::string& request, const ManifestRegistry&) {
      if (request == "mute") return ClassifiedIntent{std::nullopt, SystemControlAction::mute, std::nullopt};
      if (request == "weather") return ClassifiedIntent{Expression::weather(""), std::nullopt, std::nullopt};
      if (request == "help") return ClassifiedIntent{Expression::help("help"), std::nullopt, std::nullopt};
      if (request == "sheet") return ClassifiedIntent::withCategory(ProductivityCategory::spreadsheet);
      (void)this;
      return ClassifiedIntent{};
    };
    services.executeSystemAction = [](SystemControlAction) {
      return SystemActionResult{true, "Volume muted"};
    };
    ASSERT_TRUE(openDesktop(scheduler, std::move(services)));
    takeKeyboard();
  }

  void TearDown() override { closeDesktop(); }

  std::vector<std::string> ribbonTexts() { return labelsIn(content->ribbon()); }

  MainLoopScheduler scheduler;
};

TEST_F(DesktopGuiTest, TypingAndReturnSubmitTheRequest) {
  auto& field = content->promptDesktop().promptField();
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, field); }));
  xdotool({"type", "--delay", "20", "mute"});
  ASSERT_TRUE(pumpUntil([&] { return state->intentText() == "mute"; }));
  xdotool({"key", "Return"});
  ASSERT_TRUE(pumpUntil([&] { return state->statusMessages().size() == 3; }));
  EXPECT_EQ(field.get_text(), "");
  EXPECT_EQ(ribbonTexts(), (std::vector<std::string>{"Kivari ready", "mute", "Volume muted"}));
}

TEST_F(DesktopGuiTest, SuggestionListFiltersAndHides) {
  auto& field = content->promptDesktop().promptField();
  auto& list = content->promptDesktop().suggestionList();
  EXPECT_FALSE(list.get_visible());
  field.set_text("pla");
  pump(50);
  ASSERT_TRUE(list.get_visible());
  const auto rows = labelsIn(list);
  EXPECT_FALSE(rows.empty());
  EXPECT_LE(rows.size(), 12u);  // label and tag per row, at most six rows

  field.set_text("zzzzqqq");
  EXPECT_TRUE(pumpUntil([&] { return !list.get_visible(); }));  // after its fade
  field.set_text("pla");
  pump(50);
  EXPECT_TRUE(list.get_visible());
  pressReturn(field);  // Return hides the list
  EXPECT_TRUE(pumpUntil([&] { return !list.get_visible(); }));
}

TEST_F(DesktopGuiTest, EscLeavesTheFieldAloneWithoutAnOpenCell) {
  auto& field = content->promptDesktop().promptField();
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, field); }));
  xdotool({"type", "--delay", "20", "abc"});
  ASSERT_TRUE(pumpUntil([&] { return state->intentText() == "abc"; }));
  xdotool({"key", "Escape"});
  pump(150);
  EXPECT_EQ(field.get_text(), "abc");
  EXPECT_EQ(state->mode(), AppMode::prompt());
  EXPECT_EQ(state->statusMessages().size(), 1u);
}

TEST_F(DesktopGuiTest, EscDissolvesAnOpenCellEvenFromAFocusedField) {
  // A cell that leaves the keyboard to the compact bar.
  state->allow(Expression::calendar());
  pump(100);
  auto& bar = content->compactBar();
  ASSERT_TRUE(bar.get_visible());
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, bar.field()); }));
  xdotool({"type", "--delay", "20", "draft"});
  ASSERT_TRUE(pumpUntil([&] { return state->intentText() == "draft"; }));
  xdotool({"key", "Escape"});
  ASSERT_TRUE(pumpUntil([&] { return state->mode() == AppMode::prompt(); }));
  EXPECT_EQ(state->intentText(), "draft");  // Esc never reached the field
  const auto lines = ribbonTexts();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "Dissolving Calendar…");
  // The unsent text is waiting in the prompt desktop's field, not selected:
  // typing on extends it.
  ASSERT_TRUE(pumpUntil([&] { return !bar.get_visible(); }));
  auto& field = content->promptDesktop().promptField();
  EXPECT_EQ(field.get_text(), "draft");
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, field); }));
  xdotool({"type", "--delay", "20", " more"});
  EXPECT_TRUE(pumpUntil([&] { return state->intentText() == "draft more"; })) << state->intentText();
}

TEST_F(DesktopGuiTest, CompactBarReplacesTheCellWithoutDissolveLines) {
  state->allow(Expression::notes());
  pump(50);
  const auto before = state->statusMessages().size();
  auto& field = content->compactBar().field();
  field.set_text("weather");
  pressReturn(field);
  pump(50);
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(Expression::weather("")));
  for (std::size_t i = before; i < state->statusMessages().size(); ++i) {
    EXPECT_EQ(state->statusMessages()[i].text.find("Dissolving"), std::string::npos);
  }
  EXPECT_TRUE(pumpUntil([&] { return !content->compactBar().get_visible(); }));
}

TEST_F(DesktopGuiTest, DissolveButtonAndLayers) {
  EXPECT_TRUE(content->promptDesktop().get_visible());
  state->allow(Expression::notes());
  ASSERT_TRUE(pumpUntil([&] { return !content->promptDesktop().get_visible(); }, 2000));
  g_signal_emit_by_name(content->compactBar().dissolveButton().gobj(), "clicked");
  pump(50);
  EXPECT_EQ(state->mode(), AppMode::prompt());
  EXPECT_TRUE(content->promptDesktop().get_visible());
}

TEST_F(DesktopGuiTest, CapabilityCardKeys) {
  const auto weather = Expression::weather("");
  auto submitWeather = [&] {
    state->setIntentText("weather");
    state->submit();
    return pumpUntil([&] {
      auto* card = findIn<CapabilityPromptView>(content->cardLayer());
      return card != nullptr && holdsFocus(*window, card->allowButton());
    });
  };
  ASSERT_TRUE(submitWeather());
  // Plain Esc does nothing on the card.
  xdotool({"key", "Escape"});
  pump(150);
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(weather));
  // Control-Esc denies.
  xdotool({"key", "ctrl+Escape"});
  ASSERT_TRUE(pumpUntil([&] { return state->mode() == AppMode::prompt(); }));
  EXPECT_EQ(state->statusMessages().back().text, "Denied");
  // Return allows, even with the prompt field's text still there.
  ASSERT_TRUE(submitWeather());
  xdotool({"key", "Return"});
  ASSERT_TRUE(pumpUntil([&] { return state->mode() == AppMode::expressing(weather); }));
  EXPECT_NE(findIn<CellMembrane>(content->cellLayer()), nullptr);
}

TEST_F(DesktopGuiTest, DnaPickerReportsProviderAndAddress) {
  state->setIntentText("sheet");
  state->submit();
  pump(50);
  auto* picker = findIn<DNAPickerView>(content->cardLayer());
  ASSERT_NE(picker, nullptr);
  ASSERT_EQ(picker->rows().size(), 2u);
  g_signal_emit_by_name(picker->rows()[1]->gobj(), "clicked");
  pump(50);
  const auto* prompt = state->mode().as<AppMode::CapabilityPrompt>();
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(prompt->expression.as<Expression::Browser>()->url.absoluteString(),
            "https://www.office.com/launch/excel");
  const auto& lines = state->statusMessages();
  EXPECT_EQ(lines[lines.size() - 2].text, "Selected Microsoft DNA · Auto-login via on-prem SSO");

  state->deny();
  state->setIntentText("sheet");
  state->submit();
  pump(50);
  picker = findIn<DNAPickerView>(content->cardLayer());
  ASSERT_NE(picker, nullptr);
  const auto lineCount = state->statusMessages().size();
  g_signal_emit_by_name(picker->closeButton().gobj(), "clicked");
  pump(50);
  EXPECT_EQ(state->mode(), AppMode::prompt());
  EXPECT_EQ(state->statusMessages().size(), lineCount);
}

TEST_F(DesktopGuiTest, LateCloseOfAReplacedCellDoesNothing) {
  state->allow(Expression::notes());
  pump(50);
  auto* oldHeader = findIn<CellHeader>(content->cellLayer());
  ASSERT_NE(oldHeader, nullptr);
  Gtk::Button& oldClose = oldHeader->closeButton();
  // A help answer replaces the open cell; the old one is still fading out.
  state->setIntentText("help");
  state->submit();
  pump(20);
  ASSERT_TRUE(state->mode().isExpressing());
  const auto lines = state->statusMessages().size();
  g_signal_emit_by_name(oldClose.gobj(), "clicked");
  pump(20);
  EXPECT_EQ(state->mode(), AppMode::expressing(Expression::help("help")));
  EXPECT_EQ(state->statusMessages().size(), lines);
  // The current cell's own close still works.
  g_signal_emit_by_name(findIn<CellHeader>(content->cellLayer())->closeButton().gobj(), "clicked");
  pump(20);
  EXPECT_EQ(state->mode(), AppMode::prompt());
}



// Whether the keyboard focus is somewhere inside `root`.
bool focusInside(Gtk::Window& window, Gtk::Widget* root) {
  auto* focus = window.get_focus();
  return root != nullptr && focus != nullptr && (focus == root || focus->is_ancestor(*root));
}

TEST_F(DesktopGuiTest, CardsHoldTheKeyboardAndReturnOnDenyDenies) {
  auto& field = content->promptDesktop().promptField();
  // The DNA card: focus on its first row, Tab goes round inside it, typing
  // never reaches the prompt field under it.
  state->setIntentText("sheet");
  state->submit();
  ASSERT_TRUE(pumpUntil([&] {
    auto* picker = findIn<DNAPickerView>(content->cardLayer());
    return picker != nullptr && holdsFocus(*window, *picker->rows().front());
  }));
  for (int i = 0; i < 4; ++i) {
    xdotool({"key", "Tab"});
    pump(60);
    EXPECT_TRUE(focusInside(*window, content->cardLayer())) << "after Tab " << i + 1;
  }
  xdotool({"type", "--delay", "20", "xyz"});
  pump(100);
  EXPECT_EQ(state->intentText(), "");
  EXPECT_FALSE(content->promptDesktop().suggestionList().get_visible());
  g_signal_emit_by_name(findIn<DNAPickerView>(content->cardLayer())->closeButton().gobj(), "clicked");
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, field); }));  // back in the prompt

  // The capability card: Tab stays inside; with the focus moved onto Deny,
  // Return denies instead of granting.
  state->setIntentText("weather");
  state->submit();
  CapabilityPromptView* card = nullptr;
  ASSERT_TRUE(pumpUntil([&] {
    card = findIn<CapabilityPromptView>(content->cardLayer());
    return card != nullptr && holdsFocus(*window, card->allowButton());
  }));
  for (int i = 0; i < 3; ++i) {
    xdotool({"key", "Tab"});
    pump(60);
    EXPECT_TRUE(focusInside(*window, content->cardLayer())) << "after Tab " << i + 1;
  }
  if (!holdsFocus(*window, card->denyButton())) xdotool({"key", "shift+Tab"});
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, card->denyButton()); }));
  xdotool({"key", "Return"});
  ASSERT_TRUE(pumpUntil([&] { return state->mode() == AppMode::prompt(); }));
  EXPECT_EQ(state->statusMessages().back().text, "Denied");
  EXPECT_TRUE(pumpUntil([&] { return holdsFocus(*window, field); }));
}

// A model that answers when the test says so.
class HeldResolver : public IntentModelResolver {
 public:
  bool isAvailable() override { return true; }
  void resolve(const std::string&, Answer answer) override { pending = std::move(answer); }
  Answer pending;
};

// Consent comes only from keys meant for a card the user can see, on a
// clock that moves only when told.
class ConsentGuiTest : public ::testing::Test, protected testing::DesktopHarness {
 protected:
  void SetUp() override {
    AppStateServices services;
    services.classify = [](const std::string& request, const ManifestRegistry&) {
      if (request == "weather") return ClassifiedIntent{Expression::weather(""), std::nullopt, std::nullopt};
      return ClassifiedIntent{};
    };
    services.modelResolver = resolver;
    ASSERT_TRUE(openDesktop(clock, std::move(services)));
    takeKeyboard();
  }
  void TearDown() override { closeDesktop(); }

  CapabilityPromptView* focusedCard() {
    CapabilityPromptView* card = nullptr;
    pumpUntil([&] {
      card = findIn<CapabilityPromptView>(content->cardLayer());
      return card != nullptr && holdsFocus(*window, card->allowButton());
    });
    return card;
  }
  std::size_t linesStarting(const std::string& start) {
    const auto& all = state->statusMessages();
    return std::count_if(all.begin(), all.end(), [&](const auto& m) { return m.text.rfind(start, 0) == 0; });
  }

  ManualScheduler clock;
  std::shared_ptr<HeldResolver> resolver = std::make_shared<HeldResolver>();
};

TEST_F(ConsentGuiTest, CardsTakeNoKeyMeantForSomethingElse) {
  const auto oslo = Expression::weather("Oslo");
  // A model's card: letters, Space and Return in its first half second allow nothing.
  state->setIntentText("what is it like outside in oslo");
  state->submit();
  resolver->pending(ClassifiedIntent{oslo, std::nullopt, std::nullopt});
  ASSERT_NE(focusedCard(), nullptr);
  xdotool({"type", "--delay", "20", "book a"});
  xdotool({"key", "Return"});
  pump(150);
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(oslo));
  EXPECT_EQ(linesStarting("Materializing"), 0u);

  // Then Return allows, and two Returns in a row open one cell.
  clock.advance(CardConsent::kUnseenGrace);
  xdotool({"key", "--delay", "0", "Return", "Return"});
  ASSERT_TRUE(pumpUntil([&] { return state->mode() == AppMode::expressing(oslo); }));
  pump(150);
  EXPECT_EQ(linesStarting("Materializing"), 1u);
  EXPECT_EQ(linesStarting("Weather active"), 1u);
  state->dissolve();

  // A card under the catalog takes no key, and the keyboard only once uncovered.
  state->setShowCatalog(true);
  state->setIntentText("weather");
  state->submit();
  ASSERT_TRUE(state->mode().as<AppMode::CapabilityPrompt>() != nullptr);
  pump(100);
  xdotool({"type", "--delay", "20", "weather in Paris"});
  xdotool({"key", "Return"});
  pump(150);
  EXPECT_NE(state->mode().as<AppMode::CapabilityPrompt>(), nullptr);
  EXPECT_EQ(state->intentText(), "");  // nor what lies under it
  EXPECT_FALSE(focusInside(*window, content->cardLayer()));
  state->setShowCatalog(false);
  ASSERT_NE(focusedCard(), nullptr);
  xdotool({"key", "Return"});
  pump(150);
  EXPECT_NE(state->mode().as<AppMode::CapabilityPrompt>(), nullptr);  // unseen until now
  clock.advance(CardConsent::kUnseenGrace);
  xdotool({"key", "Return"});
  EXPECT_TRUE(pumpUntil([&] { return state->mode().isExpressing(); }));
}

// A press is the user's answer only if it began on a card that was ready.
TEST_F(ConsentGuiTest, APressBegunBeforeTheCardWasReadyAllowsNothing) {
  const auto oslo = Expression::weather("Oslo");
  const auto modelCard = [&] {
    state->setIntentText("what is it like outside in oslo");
    state->submit();
    resolver->pending(ClassifiedIntent{oslo, std::nullopt, std::nullopt});
    return focusedCard();
  };
  const auto stillAsking = [&] {
    pump(150);
    return state->mode() == AppMode::capabilityPrompt(oslo);
  };
  const auto opens = [&] { return pumpUntil([&] { return state->mode() == AppMode::expressing(oslo); }); };

  // A click on Allow pressed inside the half second, let go after it; then a fresh one.
  auto* card = modelCard();
  ASSERT_NE(card, nullptr);
  auto& allow = card->allowButton();
  pump(kModeAnimationMs + 100);  // in place, its entrance over
  ASSERT_TRUE(testing::pointerAt(*window, allow, allow.get_width() / 2.0, allow.get_height() / 2.0, {"mousedown", "1"}));
  pump(100);
  clock.advance(std::chrono::milliseconds(500));
  xdotool({"mouseup", "1"});
  EXPECT_TRUE(stillAsking());
  xdotool({"click", "1"});
  EXPECT_TRUE(opens());
  state->dissolve();

  // A Return pressed inside the half second and held until it repeats.
  ASSERT_NE(modelCard(), nullptr);
  takeKeyboard();
  xdotool({"keydown", "Return"});
  pump(100);
  clock.advance(std::chrono::milliseconds(500));
  xdotool({"keydown", "Return"});  // a repeat: pressed again, never let go
  EXPECT_TRUE(stillAsking());
  // Let go while the window has lost the keyboard: the next Return is fresh.
  {
    Gtk::Window other;
    other.present();
    ASSERT_TRUE(pumpUntil([&] { return !window->is_active(); }));
    xdotool({"keyup", "Return"});
    pump(50);
    other.hide();
  }
  testing::focusWindow(*window);
  ASSERT_TRUE(pumpUntil([&] { return window->is_active(); }));
  EXPECT_TRUE(stillAsking());
  xdotool({"key", "Return"});
  EXPECT_TRUE(opens());
}

// The keyboard goes into what covers the desktop and comes back when it
// goes; nothing under the catalog is reached by keys or a screen reader.
TEST_F(ConsentGuiTest, TheKeyboardFollowsTheCatalogAndTheSplash) {
  auto& field = content->promptDesktop().promptField();
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, field); }));
  // A request half typed, its suggestions shown, all read by a screen reader.
  xdotool({"type", "--delay", "15", "calc"});
  auto& list = content->promptDesktop().suggestionList();
  ASSERT_TRUE(pumpUntil([&] { return state->intentText() == "calc"; }));
  pump(100);
  ASSERT_TRUE(list.get_visible() && list.get_first_child() != nullptr);
  const std::string suggestion = testing::accessibleName(*list.get_first_child());
  testing::AccessibleTreeReader reader;
  const auto named = [&](const std::vector<testing::AccessibleNode>& nodes, const std::string& name) {
    const auto it = std::find_if(nodes.begin(), nodes.end(), [&](const auto& n) { return n.name == name; });
    return it == nodes.end() ? std::optional<testing::AccessibleNode>() : *it;
  };
  const auto before = reader.read();
  ASSERT_EQ(reader.error(), "") << "the GUI tests run under dbus-run-session";
  const auto request = named(before, "Request");
  const auto row = named(before, suggestion);
  ASSERT_TRUE(request && row) << suggestion;
  const auto lines = state->statusMessages().size();

  auto& button = content->promptDesktop().catalogButton();
  ASSERT_TRUE(testing::clickAt(*window, button, button.get_width() / 2.0, button.get_height() / 2.0));
  ASSERT_TRUE(pumpUntil([&] { return content->overlays().catalog() != nullptr; }));
  auto* catalog = content->overlays().catalog();
  EXPECT_TRUE(pumpUntil([&] { return holdsFocus(*window, *catalog); }));
  xdotool({"type", "--delay", "15", "take a note"});
  xdotool({"key", "Return"});
  pump(150);
  EXPECT_EQ(state->intentText(), "calc");
  EXPECT_EQ(state->mode(), AppMode::prompt());
  EXPECT_TRUE(holdsFocus(*window, *catalog));
  // Tab goes through the close button and every entry and round again (past
  // the end the keyboard is nowhere for a moment), and Shift+Tab back: never
  // under the panel.
  std::vector<Gtk::Widget*> focused;
  auto noted = window->property_focus_widget().signal_changed().connect([&] { focused.push_back(window->get_focus()); });
  std::vector<std::string> keys{"key", "--delay", "20"};
  keys.insert(keys.end(), catalog->entryButtons().size() + 3, "Tab");
  keys.insert(keys.end(), 3, "shift+Tab");
  xdotool(keys);
  pump(150);
  noted.disconnect();
  EXPECT_GE(focused.size(), catalog->entryButtons().size() + 1);
  for (std::size_t i = 0; i < focused.size(); ++i) {
    auto* at = focused[i];
    EXPECT_TRUE(at == nullptr || at == catalog || at->is_ancestor(*catalog)) << "after move " << i + 1;
  }

  // The catalog is announced as what it is; under it a screen reader finds
  // nothing, and what it read before no longer answers.
  const auto under = reader.read([](const auto& n) { return n.role != "dialog"; });
  const auto dialog = std::find_if(under.begin(), under.end(), [](const auto& n) { return n.role == "dialog"; });
  EXPECT_TRUE(dialog != under.end() && dialog->name == "Cell Catalog");
  EXPECT_FALSE(named(under, "Request").has_value());
  EXPECT_FALSE(named(under, suggestion).has_value());
  EXPECT_FALSE(reader.doAction(*row));
  EXPECT_FALSE(reader.setText(*request, "calculator"));
  pump(300);
  EXPECT_EQ(state->intentText(), "calc");
  EXPECT_EQ(state->statusMessages().size(), lines);
  EXPECT_EQ(state->mode(), AppMode::prompt());

  testing::click(catalog->closeButton());
  EXPECT_TRUE(pumpUntil([&] { return holdsFocus(*window, field); }));
  int from = 0, to = 0;
  EXPECT_FALSE(field.get_selection_bounds(from, to)) << "the next key would replace the text";
  // Reached again once it has gone.
  pump(300);
  EXPECT_TRUE(named(reader.read(), "Request").has_value());
  EXPECT_TRUE(reader.setText(*request, "weather"));
  EXPECT_EQ(state->intentText(), "weather");

  // A card that came up under the launch splash takes the keyboard once the
  // splash has gone, and Allow half a second after that.
  closeDesktop();
  LaunchOptions launch{.splash = true, .droneOutput = [](auto) { return std::shared_ptr<DroneOutput>(); }};
  ASSERT_TRUE(openDesktop(clock, {}, nullptr, launch));
  takeKeyboard();
  state->setIntentText("weather");
  state->submit();
  pump(100);
  EXPECT_FALSE(focusInside(*window, content->cardLayer()));
  clock.advance(std::chrono::seconds(5));
  ASSERT_EQ(content->overlays().splash(), nullptr);
  ASSERT_NE(focusedCard(), nullptr);
  xdotool({"key", "Return"});
  pump(150);
  EXPECT_NE(state->mode().as<AppMode::CapabilityPrompt>(), nullptr);
  clock.advance(std::chrono::milliseconds(500));
  xdotool({"key", "Return"});
  EXPECT_TRUE(pumpUntil([&] { return state->mode().isExpressing(); }));
}

// What a screen reader reaches has a real name, in every mode.
TEST_F(DesktopGuiTest, ScreenReaderNamesEveryControlInEveryMode) {
  testing::AccessibleTreeReader reader;
  ASSERT_EQ(reader.error(), "") << "the GUI tests run under dbus-run-session";
  auto check = [&](const char* mode, const char* reached, const char* hidden) {
    pump(kModeAnimationMs + 150);  // leaving layers are gone
    const auto nodes = reader.read();
    ASSERT_EQ(reader.error(), "") << mode;
    EXPECT_EQ(testing::unnamedAccessibles(nodes), std::vector<std::string>{}) << mode;
    auto reaches = [&](const char* name) {
      return std::any_of(nodes.begin(), nodes.end(), [&](const auto& n) { return n.name == name; });
    };
    EXPECT_TRUE(reaches(reached)) << mode << " lacks " << reached;
    EXPECT_FALSE(reaches(hidden)) << mode << " shows " << hidden;
  };
  content->promptDesktop().promptField().set_text("pla");  // with its suggestion rows
  check("desktop", "Cell Catalog", "Allow");
  state->setShowCatalog(true);
  check("catalog", "is my data safe?", "Allow");
  state->setShowCatalog(false);
  state->setIntentText("sheet");
  state->submit();
  check("picker", "Google Sheets", "Request");  // nothing under a card
  state->cancelPicker();
  state->setIntentText("weather");
  state->submit();
  check("card", "Allow", "Request");
  // A browser cell with nothing to load: its own controls are what counts.
  state->allow(Expression::browser(*Url::parse("http://127.0.0.1:9/")));
  check("browser", "Address", "Request");
}

// The window goes while a cell comes in or goes out: with the application's
// quit, or destroyed first by a close request (what Alt+F4 sends). Nothing
// of the desktop is used once it has gone, and GTK reports no misuse.
TEST(QuitGuiTest, TheWindowGoesMidEntranceOrExitAndNothingIsUsedAfterIt) {
  installStyle();
  for (const bool closeRequest : {false, true}) {
    for (const bool entering : {true, false}) {
      SCOPED_TRACE(std::string(closeRequest ? "close request" : "quit") + (entering ? ", entering" : ", leaving"));
      ManualScheduler scheduler;
      AppState state(std::make_unique<ManifestRegistry>(std::nullopt), AppStateServices{});
      auto window = std::make_unique<KivariWindow>(state, scheduler, LaunchOptions{});
      window->present();
      ASSERT_TRUE(pumpUntil([&] { return window->get_mapped(); }));
      pump(100);
      state.allow(Expression::notes());
      if (!entering) {
        pump(kModeAnimationMs + 200);
        state.dissolve();
      }
      // Caught mid-slide, as the compact bar fades in or out.
      auto& bar = window->content().compactBar();
      ASSERT_TRUE(pumpUntil([&] { return bar.get_opacity() > 0 && bar.get_opacity() < 1; }));
      if (closeRequest) window->close();
      window.reset();
      pump(50);
    }
  }
}

// The view goes while its window still shows it, as the compact bar slides
// in or out: the revealer, stopped as it goes, reports its child's change to
// no one, and GTK reports no misuse.
TEST(QuitGuiTest, TheViewGoesFromAShownWindowMidSlide) {
  installStyle();
  for (const bool entering : {true, false}) {
    SCOPED_TRACE(entering ? "entering" : "leaving");
    ManualScheduler scheduler;
    AppState state(std::make_unique<ManifestRegistry>(std::nullopt), AppStateServices{});
    Gtk::Window window;
    auto content = std::make_unique<ContentView>(window, state, scheduler);
    window.set_child(*content);
    window.present();
    ASSERT_TRUE(pumpUntil([&] { return window.get_mapped(); }));
    pump(100);
    state.allow(Expression::notes());
    if (!entering) {
      pump(kModeAnimationMs + 200);
      state.dissolve();
    }
    auto& bar = content->compactBar();
    ASSERT_TRUE(pumpUntil([&] { return bar.get_opacity() > 0 && bar.get_opacity() < 1; }));
    content.reset();
    pump(50);
    window.hide();
    pump(50);
  }
}

// The program's way out, in a process of its own that runs as main does:
// a quit asked for before the run has started, and one during which a sound
// thread writes into the run's cache and never comes back. Either ends the
// process with status 0 and leaves no run folder.
TEST(QuitGuiTest, AQuitEndsTheProcessCleanlyWhateverTheSoundThreadDoes) {
  namespace fs = std::filesystem;
  for (const char* when : {"early", "later"}) {
    SCOPED_TRACE(when);
    char* base = g_dir_make_tmp("kivari-quit-XXXXXX", nullptr);
    ASSERT_NE(base, nullptr);
    const fs::path runtime = base;
    g_free(base);
    gchar** env = g_environ_setenv(g_get_environ(), "XDG_RUNTIME_DIR", runtime.c_str(), TRUE);
    char* argv[] = {const_cast<char*>(KIVARI_QUIT_PROBE), const_cast<char*>(when), nullptr};
    GPid pid = 0;
    int out = -1;
    const bool spawned = g_spawn_async_with_pipes(nullptr, argv, env, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr,
                                                  &pid, nullptr, &out, nullptr, nullptr);
    g_strfreev(env);
    ASSERT_TRUE(spawned);
    FILE* lines = fdopen(out, "r");
    char folder[4096] = {};
    const bool printed = std::fgets(folder, sizeof folder, lines) != nullptr;
    std::fclose(lines);
    folder[std::strcspn(folder, "\n")] = '\0';
    if (std::string_view(when) == "later") kill(pid, SIGTERM);
    // A generous bound: the process must end at all, however slowly.
    int status = -1;
    const bool ended = testing::pumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 20000);
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(ended) << "still running after 20 s";
    EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_TRUE(printed);
    EXPECT_EQ(fs::path(folder).parent_path(), runtime);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_empty(runtime));
    fs::remove_all(runtime);
  }

  // The program as started, asked to quit before a line of it has run: the
  // quit waits while it loads, and it ends as asked, with no window.
  char* base = g_dir_make_tmp("kivari-quit-XXXXXX", nullptr);
  ASSERT_NE(base, nullptr);
  const fs::path runtime = base;
  g_free(base);
  gchar** env = g_environ_setenv(g_get_environ(), "XDG_RUNTIME_DIR", runtime.c_str(), TRUE);
  char* argv[] = {const_cast<char*>("kivari"), nullptr};
  const pid_t pid = fork();
  if (pid == 0) {
    sigset_t quit;
    sigemptyset(&quit);
    sigaddset(&quit, SIGTERM);
    sigprocmask(SIG_BLOCK, &quit, nullptr);
    raise(SIGTERM);  // pending across the exec
    execve(KIVARI_PROGRAM, argv, env);
    _exit(127);
  }
  g_strfreev(env);
  ASSERT_GT(pid, 0);
  int status = -1;
  const bool ended = testing::pumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 20000);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  EXPECT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_TRUE(fs::is_empty(runtime));
  fs::remove_all(runtime);
}

}  // namespace
}  // namespace kivari
