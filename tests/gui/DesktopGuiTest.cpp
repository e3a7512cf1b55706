#include "App/KivariDesktopApp.h"
#include "Core/AppState.h"
#include "Shell/CardViews.h"
#include "Shell/Cards.h"
#include "Shell/ContentView.h"
#include "Ui/CellFrame.h"
#include "Ui/Style.h"
#include "Ui/Widgets.h"

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
  // Return allows once the card has been seen, even with the prompt field's text still there.
  ASSERT_TRUE(submitWeather());
  ASSERT_TRUE(waitUntilCardTakesAllow());
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
  {
    // With animations off the first frame that shows the card draws it
    // whole; as that frame is handed on, the half second has not begun.
    testing::AnimationsOff off;
    std::optional<bool> seenAsDrawn;
    double drawnOpacity = 0;
    testing::OnFrame drawn(*window, "after-paint", [&] {
      const CardConsent* consent = content->cardConsent();
      if (consent == nullptr || seenAsDrawn) return;
      drawnOpacity = content->cardLayer()->get_opacity();
      seenAsDrawn = consent->seen();
    });
    state->setIntentText("weather");
    state->submit();
    ASSERT_TRUE(pumpUntil([&] { return seenAsDrawn.has_value() && content->cardConsent()->seen(); }));
    EXPECT_EQ(drawnOpacity, 1);
    EXPECT_FALSE(*seenAsDrawn);
    state->deny();
  }
  // A model's card: letters, Space and Return in its first half second allow nothing.
  state->setIntentText("what is it like outside in oslo");
  state->submit();
  {
    // The first frame that shows it counts from its end: as that frame is
    // handed on, the half second has not begun.
    std::optional<bool> readyOnceDrawn;
    // It fades in from nothing: a frame that drew none of it showed nothing.
    std::optional<bool> seenAfterUndrawnFrame;
    double lastOpacity = -1;
    testing::OnFrame drawn(*window, "after-paint", [&] {
      const CardConsent* consent = content->cardConsent();
      if (consent == nullptr) return;
      if (lastOpacity == 0 && !seenAfterUndrawnFrame) seenAfterUndrawnFrame = consent->seen();
      lastOpacity = content->cardLayer()->get_opacity();
      if (readyOnceDrawn) return;
      clock.advance(CardConsent::kUnseenGrace);
      readyOnceDrawn = consent->allowReady();
    });
    resolver->pending(ClassifiedIntent{oslo, std::nullopt, std::nullopt});
    // Built and mapped, not yet drawn: time before its first frame counts for nothing.
    ASSERT_TRUE(content->cardLayer() != nullptr && content->cardLayer()->get_mapped());
    clock.advance(std::chrono::milliseconds(500));
    ASSERT_TRUE(pumpUntil([&] { return readyOnceDrawn.has_value() && seenAfterUndrawnFrame.has_value(); }));
    EXPECT_FALSE(*readyOnceDrawn);
    EXPECT_FALSE(*seenAfterUndrawnFrame);
  }
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

// Presses of `keyval` that reach the window, the server's auto-repeats
// included. An emission hook sees them before the window's own handler,
// which stops the signal.
struct KeyPresses {
  static gboolean seen(GSignalInvocationHint*, guint, const GValue* params, gpointer data) {
    auto* self = static_cast<KeyPresses*>(data);
    auto* event = static_cast<GdkEvent*>(g_value_get_pointer(&params[1]));
    if (gdk_event_get_event_type(event) == GDK_KEY_PRESS && gdk_key_event_get_keyval(event) == self->keyval) ++self->count;
    return TRUE;
  }
  explicit KeyPresses(guint key) : keyval(key) {}
  ~KeyPresses() { g_signal_remove_emission_hook(signal, hook); }
  guint keyval;
  int count = 0;
  guint signal = g_signal_lookup("event", GDK_TYPE_SURFACE);
  gulong hook = g_signal_add_emission_hook(signal, 0, &KeyPresses::seen, this, nullptr);
};

// A press or activation is the user's answer only if it began on a card
// that was ready, however it comes and whenever its click lands.
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
  ASSERT_TRUE(testing::pointerAt(*window, allow, allow.get_width() / 2.0, allow.get_height() / 2.0, {}));
  auto button = testing::Held::button(1);
  pump(100);
  ASSERT_TRUE(waitUntilCardTakesAllow());
  button.release();
  EXPECT_TRUE(stillAsking());
  xdotool({"click", "1"});
  EXPECT_TRUE(opens());
  state->dissolve();

  // Space on Allow, the focus moved there by the user, pressed inside the
  // half second: held until the button clicks by itself and repeats, or let
  // go after the half second. A fresh Space allows.
  for (const bool held : {true, false}) {
    SCOPED_TRACE(held ? "Space held" : "Space let go after the half second");
    card = modelCard();
    ASSERT_NE(card, nullptr);
    takeKeyboard();
    xdotool({"key", "--delay", "60", "Tab", "Tab"});
    ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, card->allowButton()); }));
    KeyPresses spaces(GDK_KEY_space);
    auto space = testing::Held::key("space");
    pump(30);
    ASSERT_TRUE(waitUntilCardTakesAllow());
    if (held) {
      ASSERT_TRUE(pumpUntil([&] { return spaces.count >= 3; })) << "no auto-repeat reached the window";
    }
    space.release();
    EXPECT_TRUE(stillAsking());
    xdotool({"key", "space"});
    EXPECT_TRUE(opens());
    state->dissolve();
  }

  // A screen reader's click (gtk_widget_activate, as its action does) begun
  // inside the half second clicks a quarter second later, and allows nothing.
  card = modelCard();
  ASSERT_NE(card, nullptr);
  ASSERT_TRUE(gtk_widget_activate(GTK_WIDGET(card->allowButton().gobj())));
  pump(50);
  ASSERT_TRUE(waitUntilCardTakesAllow());
  pump(400);
  EXPECT_TRUE(stillAsking());
  ASSERT_TRUE(gtk_widget_activate(GTK_WIDGET(card->allowButton().gobj())));
  EXPECT_TRUE(opens());
  state->dissolve();

  // A Return pressed inside the half second and held: the server's own
  // auto-repeats that reach the window after it is ready press nothing.
  ASSERT_NE(modelCard(), nullptr);
  takeKeyboard();
  KeyPresses returns(GDK_KEY_Return);
  auto held = testing::Held::key("Return");
  pump(100);
  ASSERT_TRUE(waitUntilCardTakesAllow());
  const int before = returns.count;
  ASSERT_TRUE(pumpUntil([&] { return returns.count >= before + 3; })) << "no auto-repeat reached the window";
  EXPECT_TRUE(stillAsking());
  // Let go while the window has lost the keyboard: the next Return is fresh.
  {
    Gtk::Window other;
    other.present();
    ASSERT_TRUE(pumpUntil([&] { return !window->is_active(); }));
    held.release();
    pump(50);
    other.hide();
  }
  testing::focusWindow(*window);
  ASSERT_TRUE(pumpUntil([&] { return window->is_active(); }));
  EXPECT_TRUE(stillAsking());
  xdotool({"key", "Return"});
  EXPECT_TRUE(opens());
}

// A card or the catalog lets go of the keyboard as it starts to fade, not
// once it has gone (GTK 4.8 would keep a button of it as the focus). The
// focus is asked of GTK itself, so the test wraps no dead widget.
TEST_F(ConsentGuiTest, ALeavingCardOrCatalogLetsGoOfTheKeyboardAsItStartsToFade) {
  GtkWindow* win = window->gobj();
  const auto focusIn = [win](Gtk::Widget& area) {
    GtkWidget* focus = gtk_window_get_focus(win);
    return focus != nullptr && (focus == area.gobj() || gtk_widget_is_ancestor(focus, area.gobj()));
  };
  const auto focusInWindow = [win] {
    GtkWidget* focus = gtk_window_get_focus(win);
    return focus == nullptr || (gtk_widget_get_realized(focus) && gtk_widget_get_root(focus) == GTK_ROOT(win));
  };

  // Allowed with Return on Allow. In the first frame that fades the card,
  // its half second runs out before the compact bar comes up and asks
  // where the keyboard is, as on a busy machine.
  state->setIntentText("weather");
  state->submit();
  ASSERT_NE(focusedCard(), nullptr);
  ASSERT_TRUE(waitUntilCardTakesAllow());
  Gtk::Widget* card = content->cardLayer();
  std::optional<bool> inLeavingCard, inWindowOnceGone;
  {
    testing::OnFrame firstFrame(*window, "before-paint", [&] {
      if (inLeavingCard || !state->mode().isExpressing()) return;
      inLeavingCard = focusIn(*card);
      clock.advance(std::chrono::milliseconds(500));
      inWindowOnceGone = focusInWindow();
    });
    xdotool({"key", "Return"});
    ASSERT_TRUE(pumpUntil([&] { return inLeavingCard.has_value(); }));
  }
  EXPECT_FALSE(*inLeavingCard);
  EXPECT_TRUE(*inWindowOnceGone);
  EXPECT_TRUE(pumpUntil([&] { return holdsFocus(*window, content->compactBar().field()); }));

  // The catalog over the cell, opened while the keyboard was nowhere (as
  // for a moment after Tab past the last control), the keyboard then on an
  // entry: nothing takes it back as the catalog goes, nor does the panel keep it.
  window->unset_focus();
  state->setShowCatalog(true);
  CellCatalogView* panel = content->overlays().catalog();
  ASSERT_TRUE(panel != nullptr && !panel->entryButtons().empty());
  ASSERT_TRUE(pumpUntil([&] { return panel->get_mapped(); }));
  ASSERT_TRUE(panel->entryButtons().front()->grab_focus());
  state->setShowCatalog(false);
  EXPECT_FALSE(focusIn(*panel));
  clock.advance(std::chrono::milliseconds(300));  // faded, and gone
  EXPECT_TRUE(focusInWindow());
}

// The keyboard goes into what covers the desktop and comes back when it
// goes; nothing under the catalog or a card is reached by keys or a screen
// reader.
TEST_F(ConsentGuiTest, TheKeyboardFollowsTheCatalogCardsAndTheSplash) {
  auto& field = content->promptDesktop().promptField();
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, field); }));
  // A request half typed, its suggestions shown, all read by a screen reader.
  xdotool({"type", "--delay", "15", "calc"});
  auto& list = content->promptDesktop().suggestionList();
  ASSERT_TRUE(pumpUntil([&] { return state->intentText() == "calc"; }));
  pump(100);
  ASSERT_TRUE(list.get_visible() && list.get_first_child() != nullptr);
  // The caret left mid-word.
  xdotool({"key", "Left", "Left"});
  ASSERT_TRUE(pumpUntil([&] { return field.get_position() == 2; }));
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
  // The caret and the selection it still moves.
  reader.moveCaret(*request, 0);
  reader.select(*request, 0, 4);
  pump(300);
  EXPECT_EQ(state->intentText(), "calc");
  EXPECT_EQ(state->statusMessages().size(), lines);
  EXPECT_EQ(state->mode(), AppMode::prompt());

  // Gone, it leaves the request as it was, the caret where the user left it
  // and nothing selected: what is typed on goes in there.
  testing::click(catalog->closeButton());
  clock.advance(std::chrono::milliseconds(300));  // its fade over, it is gone
  EXPECT_TRUE(pumpUntil([&] { return holdsFocus(*window, field); }));
  int from = 0, to = 0;
  EXPECT_FALSE(field.get_selection_bounds(from, to)) << "the next key would replace the text";
  EXPECT_EQ(field.get_position(), 2);
  xdotool({"type", "--delay", "15", "xy"});
  EXPECT_TRUE(pumpUntil([&] { return state->intentText() == "caxylc"; })) << state->intentText();
  // Reached again once it has gone.
  pump(300);
  EXPECT_TRUE(named(reader.read(), "Request").has_value());
  EXPECT_TRUE(reader.setText(*request, "weather"));
  EXPECT_EQ(state->intentText(), "weather");

  // A card is announced by what it asks. What it covers answers none of the
  // references read before it came, the catalog's button among them, nor
  // once a catalog opened over it has gone; the card itself still does.
  pump(100);
  const auto desktop = reader.read();
  ASSERT_TRUE(list.get_visible() && list.get_first_child() != nullptr);
  const auto weatherRow = named(desktop, testing::accessibleName(*list.get_first_child()));
  const auto catalogButton = named(desktop, "Cell Catalog");
  ASSERT_TRUE(weatherRow && catalogButton);
  state->submit();
  ASSERT_NE(focusedCard(), nullptr);
  const auto asked = CapabilityCardContent::of(Expression::weather(""));
  const auto onCard = reader.read([](const auto& n) { return n.role != "dialog"; });
  const auto card = std::find_if(onCard.begin(), onCard.end(), [](const auto& n) { return n.role == "dialog"; });
  ASSERT_TRUE(card != onCard.end());
  EXPECT_EQ(card->name, asked.title);
  EXPECT_EQ(reader.description(*card), asked.request(kLongestShownText));
  const auto cardLines = state->statusMessages().size();
  for (const bool catalogCameAndWent : {false, true}) {
    SCOPED_TRACE(catalogCameAndWent ? "after a catalog over the card" : "card");
    EXPECT_FALSE(reader.setText(*request, "calculator"));
    EXPECT_FALSE(reader.doAction(*weatherRow));
    EXPECT_FALSE(reader.doAction(*catalogButton));
    pump(300);
    EXPECT_FALSE(state->showCatalog());
    EXPECT_EQ(state->intentText(), "");
    EXPECT_EQ(state->statusMessages().size(), cardLines);
    state->setShowCatalog(true);
    pump(100);
    state->setShowCatalog(false);
    clock.advance(std::chrono::milliseconds(300));
  }
  const auto allow = named(reader.read(), "Allow");
  ASSERT_TRUE(allow.has_value());
  ASSERT_TRUE(waitUntilCardTakesAllow());
  EXPECT_TRUE(reader.doAction(*allow));
  ASSERT_TRUE(pumpUntil([&] { return state->mode().isExpressing(); }));

  // With a cell open, the compact bar's field is what the catalog covers.
  auto& bar = content->compactBar().field();
  pump(kModeAnimationMs + 100);
  const auto newIntent = named(reader.read(), "New intent");
  ASSERT_TRUE(newIntent.has_value());
  state->setShowCatalog(true);
  pump(100);
  EXPECT_FALSE(bar.get_editable());
  EXPECT_FALSE(reader.setText(*newIntent, "timer"));
  EXPECT_EQ(state->intentText(), "");
  state->setShowCatalog(false);
  clock.advance(std::chrono::milliseconds(300));
  pump(100);
  EXPECT_TRUE(bar.get_editable());
  EXPECT_TRUE(reader.setText(*newIntent, "timer"));
  EXPECT_EQ(state->intentText(), "timer");
  // Its caret too comes back where the user left it, nothing selected.
  ASSERT_TRUE(pumpUntil([&] { return holdsFocus(*window, bar); }));
  xdotool({"key", "Home", "Right", "Right"});
  ASSERT_TRUE(pumpUntil([&] { return bar.get_position() == 2; }));
  state->setShowCatalog(true);
  pump(100);
  reader.moveCaret(*newIntent, 0);
  reader.select(*newIntent, 1, 4);
  state->setShowCatalog(false);
  clock.advance(std::chrono::milliseconds(300));
  EXPECT_TRUE(pumpUntil([&] { return holdsFocus(*window, bar); }));
  EXPECT_FALSE(bar.get_selection_bounds(from, to));
  EXPECT_EQ(bar.get_position(), 2);

  // A new request from it that brings a card: the bar leaves the
  // accessibility tree as it starts to slide away, not once it has gone.
  // Its place is in the column it shares with the ribbon. That column is
  // asked as the slide's first frame begins, before it moves anything.
  const auto barShown = reader.read();
  const auto ribbon = named(barShown, "Status");
  auto slot = named(barShown, "New intent");
  const auto at = [&](const std::string& path) {
    const auto it = std::find_if(barShown.begin(), barShown.end(), [&](const auto& n) { return n.path == path; });
    return it == barShown.end() ? std::optional<testing::AccessibleNode>() : *it;
  };
  while (ribbon && slot && slot->parent != ribbon->parent) slot = at(slot->parent);
  const auto column = ribbon ? at(ribbon->parent) : std::nullopt;
  ASSERT_TRUE(slot && column);
  ASSERT_TRUE(reader.setText(*newIntent, "weather"));
  auto* barSlot = dynamic_cast<Gtk::Revealer*>(content->compactBar().get_parent());
  ASSERT_NE(barSlot, nullptr);
  std::optional<std::vector<std::string>> sliding;
  bool stillThere = false;
  {
    testing::OnFrame firstFrame(*window, "before-paint", [&] {
      if (sliding) return;
      stillThere = barSlot->get_child_revealed() && !barSlot->get_reveal_child();
      sliding = reader.childPaths(*column);
    });
    pressReturn(bar);
    ASSERT_NE(state->mode().as<AppMode::CapabilityPrompt>(), nullptr);
    ASSERT_TRUE(pumpUntil([&] { return sliding.has_value(); }));
  }
  EXPECT_TRUE(stillThere);
  EXPECT_TRUE(std::find(sliding->begin(), sliding->end(), ribbon->path) != sliding->end());
  EXPECT_TRUE(std::find(sliding->begin(), sliding->end(), slot->path) == sliding->end());

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
  // The picker is a dialog that says what it asks.
  const auto nodes = reader.read();
  const auto picker = std::find_if(nodes.begin(), nodes.end(), [](const auto& n) { return n.role == "dialog"; });
  ASSERT_TRUE(picker != nodes.end());
  EXPECT_EQ(picker->name, prompt(ProductivityCategory::spreadsheet));
  EXPECT_EQ(reader.description(*picker), "Select which backend DNA to sequence into a cell");
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

}  // namespace
}  // namespace kivari
