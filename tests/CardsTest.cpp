#include "Manifests/ManifestSigner.h"
#include "Shell/Cards.h"
#include "Shell/KeyAction.h"
#include "TestSupport.h"
#include "Ui/MembraneBreath.h"

#include <gtest/gtest.h>

#include <set>

namespace kivari {
namespace {

TEST(DnaOptions, TwoServicesPerCategoryWithFixedPaths) {
  struct Row {
    ProductivityCategory category;
    const char* first;
    const char* second;
    const char* firstPath;
    const char* secondPath;
  };
  const Row rows[] = {
      {ProductivityCategory::spreadsheet, "Google Sheets", "Excel Online", "/create", "/launch/excel"},
      {ProductivityCategory::presentation, "Google Slides", "PowerPoint Online", "/create",
       "/launch/powerpoint"},
      {ProductivityCategory::document, "Google Docs", "Word Online", "/create", "/launch/word"},
      {ProductivityCategory::videoCall, "Zoom", "Google Meet", "/start", "/new"},
      {ProductivityCategory::calendarEvent, "Google Calendar", "Outlook Calendar",
       "/calendar/r/eventedit", "/calendar/0/deeplink/compose"},
  };
  std::set<std::string> ids;
  for (const auto& row : rows) {
    const auto options = dnaOptions(row.category);
    ASSERT_EQ(options.size(), 2u);
    EXPECT_EQ(options[0].name, row.first);
    EXPECT_EQ(options[1].name, row.second);
    const char* paths[2] = {row.firstPath, row.secondPath};
    for (int i = 0; i < 2; ++i) {
      const auto& url = options[static_cast<std::size_t>(i)].url.absoluteString();
      EXPECT_EQ(url.rfind("https://", 0), 0u) << url;
      EXPECT_TRUE(url.ends_with(paths[i])) << url;
      EXPECT_EQ(url.find_first_of("?#"), std::string::npos) << url;
      ids.insert(options[static_cast<std::size_t>(i)].id);
    }
  }
  EXPECT_EQ(ids.size(), 10u);
  // A pick reports the provider, not the service's name.
  EXPECT_EQ(dnaOptions(ProductivityCategory::videoCall)[1].provider, "Google");
  EXPECT_EQ(dnaOptions(ProductivityCategory::videoCall)[0].provider, "Zoom");
  EXPECT_EQ(dnaOptions(ProductivityCategory::spreadsheet)[1].provider, "Microsoft");
  // The three Microsoft 365 office rows share one portal host.
  EXPECT_EQ(dnaOptions(ProductivityCategory::spreadsheet)[1].url.host(),
            dnaOptions(ProductivityCategory::document)[1].url.host());
}

TEST(CapabilityCard, ShieldBadgeAndCapabilitiesPerKindAndTrust) {
  const auto weather = CapabilityCardContent::of(Expression::weather("Oslo"));
  EXPECT_EQ(weather.shieldSymbol, "checkmark.shield.fill");
  EXPECT_EQ(weather.shieldColor, palette::green);
  EXPECT_EQ(weather.badge.text, "System Expression");
  EXPECT_EQ(weather.badge.symbol, "gearshape.fill");
  ASSERT_EQ(weather.capabilities.size(), 1u);
  EXPECT_EQ(weather.capabilities[0].name, "Network");
  EXPECT_TRUE(CapabilityCardContent::of(Expression::timer(60, "")).capabilities.empty());
  // What it asks, as a screen reader reads it; every reason cut to its limit.
  EXPECT_EQ(CapabilityCardContent::of(Expression::timer(60, "")).request(8), "No special capabilities requested");
  auto asks = weather;
  asks.capabilities.push_back({"Location", "Finds the nearest station"});
  EXPECT_EQ(asks.request(9), "Requested capabilities: Network, Fetch wea\u2026; Location, Finds the\u2026");

  auto manifest = testing::sampleManifest();
  const auto keys = ManifestSigner::generateKeyPair();
  manifest.publisher = ExpressionManifest::Publisher{"Kivari Labs", keys.publicKeyBase64};
  manifest.signature = ManifestSigner::sign(manifest, keys.privateKey);
  const auto signedCard = CapabilityCardContent::of(Expression::bundled(manifest));
  EXPECT_EQ(signedCard.shieldSymbol, "checkmark.shield.fill");
  EXPECT_EQ(signedCard.badge.text, "Kivari Labs");
  EXPECT_EQ(signedCard.badge.symbol, "checkmark.seal.fill");
  EXPECT_EQ(signedCard.badge.color, palette::green);

  manifest.version = "tampered";
  const auto tampered = CapabilityCardContent::of(Expression::bundled(manifest));
  EXPECT_EQ(tampered.shieldSymbol, "shield.slash");
  EXPECT_EQ(tampered.shieldColor, palette::orange);
  EXPECT_EQ(tampered.badge.text, "Kivari Labs");
  EXPECT_EQ(tampered.badge.symbol, "questionmark.diamond");

  manifest.publisher.reset();
  const auto anonymous = CapabilityCardContent::of(Expression::bundled(manifest));
  EXPECT_EQ(anonymous.badge.text, "Unknown publisher");
  EXPECT_EQ(anonymous.badge.symbol, "exclamationmark.triangle");
  EXPECT_EQ(anonymous.badge.color, palette::orange);
}

TEST(CellMembrane, BreathSwingsEverySixSeconds) {
  EXPECT_DOUBLE_EQ(breathLevel(0), 0);
  EXPECT_DOUBLE_EQ(breathLevel(3), 1);
  EXPECT_NEAR(breathLevel(6), 0, 1e-9);
  EXPECT_NEAR(breathLevel(9), 1, 1e-9);
  EXPECT_NEAR(breathLevel(1.5), 0.5, 1e-9);
  EXPECT_LT(breathLevel(0.3), 0.1);  // eases in slowly
  EXPECT_DOUBLE_EQ(breathLevel(2), breathLevel(4));
}

TEST(KeyAction, WindowKeysPerState) {
  const WindowKeyState prompt{}, cell{true, false, false}, card{false, true, false},
      cardOnDeny{false, true, true};
  EXPECT_EQ(keyAction(Key::escape, false, cell), KeyAction::dissolve);
  EXPECT_EQ(keyAction(Key::escape, true, cell), KeyAction::dissolve);
  EXPECT_EQ(keyAction(Key::escape, false, prompt), KeyAction::none);
  EXPECT_EQ(keyAction(Key::escape, false, card), KeyAction::none);  // plain Esc on the card
  EXPECT_EQ(keyAction(Key::escape, true, card), KeyAction::deny);
  EXPECT_EQ(keyAction(Key::escape, true, cardOnDeny), KeyAction::deny);
  EXPECT_EQ(keyAction(Key::enter, false, card), KeyAction::allow);
  EXPECT_EQ(keyAction(Key::enter, false, cardOnDeny), KeyAction::deny);  // never grants on Deny
  EXPECT_EQ(keyAction(Key::enter, true, card), KeyAction::none);
  EXPECT_EQ(keyAction(Key::enter, false, prompt), KeyAction::none);
  EXPECT_EQ(keyAction(Key::space, false, prompt), KeyAction::none);
  EXPECT_EQ(keyAction(Key::other, false, WindowKeyState{true, true, true}), KeyAction::none);
}

// Consent comes only from keys meant for a card the user can see.
TEST(KeyAction, CardsTakeOnlyKeysMeantForThem) {
  WindowKeyState card{false, true, false};
  WindowKeyState picker;
  picker.dnaPicker = true;
  // Space presses only what the user moved the focus to.
  EXPECT_EQ(keyAction(Key::space, false, card), KeyAction::swallow);
  EXPECT_EQ(keyAction(Key::space, false, picker), KeyAction::swallow);
  EXPECT_EQ(keyAction(Key::focusMove, false, card), KeyAction::focusMoved);
  card.focusMovedByUser = picker.focusMovedByUser = true;
  EXPECT_EQ(keyAction(Key::space, false, card), KeyAction::none);
  EXPECT_EQ(keyAction(Key::space, false, picker), KeyAction::none);
  EXPECT_EQ(keyAction(Key::enter, false, picker), KeyAction::none);  // the focused row takes it

  // Not yet seen long enough: Return grants nothing, Deny still denies.
  card.allowReady = false;
  EXPECT_EQ(keyAction(Key::enter, false, card), KeyAction::swallow);
  card.denyFocused = true;
  EXPECT_EQ(keyAction(Key::enter, false, card), KeyAction::deny);
  card.denyFocused = false;
  card.allowReady = true;

  // A Return or Space pressed before the card was ready, still held,
  // presses nothing on it, even on a button the user moved to.
  card.pressedEarly = picker.pressedEarly = true;
  for (Key key : {Key::enter, Key::space}) {
    EXPECT_EQ(keyAction(key, false, card), KeyAction::swallow);
    EXPECT_EQ(keyAction(key, false, picker), KeyAction::swallow);
  }
  card.pressedEarly = false;

  // Covered: keys on the card or under it stop there; what covers it and
  // Tab towards it get theirs; Esc still dissolves nothing here.
  card.cardCovered = card.focusBelowCover = true;
  for (Key key : {Key::enter, Key::space, Key::other}) {
    EXPECT_EQ(keyAction(key, false, card), KeyAction::swallow);
  }
  EXPECT_EQ(keyAction(Key::escape, true, card), KeyAction::swallow);
  EXPECT_EQ(keyAction(Key::focusMove, false, card), KeyAction::none);
  card.focusBelowCover = false;
  EXPECT_EQ(keyAction(Key::enter, false, card), KeyAction::none);
  EXPECT_EQ(keyAction(Key::space, false, card), KeyAction::none);
}

TEST(CardConsent, AllowWaitsHalfASecondFromTheFirstFrameShown) {
  ManualScheduler clock;
  {
    // Built long before it is drawn: nothing counts until its first frame.
    CardConsent card(clock, /*covered=*/false);
    clock.advance(std::chrono::seconds(5));
    EXPECT_FALSE(card.answer(true));
    card.shown();
    clock.advance(std::chrono::milliseconds(499));
    card.shown();  // later frames do not start it again
    EXPECT_FALSE(card.takesPress());
    EXPECT_FALSE(card.answer(true));
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(card.answer(true));
    EXPECT_FALSE(card.answer(false));  // once only
    CardConsent denied(clock, false);
    EXPECT_TRUE(denied.answer(false));  // Deny needs no wait
  }
  {
    // Under a cover, nothing; a frame shown uncovered starts the half
    // second, and covering it again starts it over.
    CardConsent covered(clock, true);
    covered.shown();
    clock.advance(std::chrono::seconds(5));
    EXPECT_FALSE(covered.answer(false));
    covered.setCovered(false);
    clock.advance(std::chrono::seconds(1));
    EXPECT_FALSE(covered.answer(true));  // no frame since it was uncovered
    covered.shown();
    clock.advance(std::chrono::milliseconds(500));
    covered.setCovered(true);
    covered.setCovered(false);
    covered.shown();
    clock.advance(std::chrono::milliseconds(499));
    EXPECT_FALSE(covered.answer(true));
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(covered.answer(true));
  }
  EXPECT_EQ(clock.pendingCount(), 0u);  // a gone card leaves no step behind
  {
    CardConsent leaving(clock, false);
    leaving.shown();
    EXPECT_EQ(clock.pendingCount(), 1u);
  }
  EXPECT_EQ(clock.pendingCount(), 0u);
}

// A press or an activation is judged when it begins, whenever it ends.
TEST(CardConsent, PressesAndActivationsBegunTooEarlyAllowNothing) {
  ManualScheduler clock;
  unsigned presses = 3;
  CardConsent card(clock, false, [&] { return presses; });
  card.shown();
  EXPECT_FALSE(card.takesPress());
  presses = 4;  // a key pressed inside the half second, and held
  card.activationBegan();  // Space on Allow, or a screen reader's click
  clock.advance(std::chrono::milliseconds(500));
  card.activationBegan();  // a repeat starts nothing new
  EXPECT_TRUE(card.pressedEarly(4));
  EXPECT_FALSE(card.pressedEarly(5));
  EXPECT_FALSE(card.pressedEarly(0));  // not Return or Space
  EXPECT_FALSE(card.allowClicked());  // its click, landing after the half second
  presses = 6;  // pressed under a cover
  card.setCovered(true);
  EXPECT_FALSE(card.takesPress());
  card.activationBegan();
  card.setCovered(false);
  card.shown();
  clock.advance(std::chrono::milliseconds(500));
  EXPECT_TRUE(card.pressedEarly(6));
  EXPECT_FALSE(card.allowClicked());
  // A fresh activation counts, once.
  card.activationBegan();
  EXPECT_TRUE(card.allowClicked());
  EXPECT_FALSE(card.takesPress());
  EXPECT_FALSE(card.allowClicked());
}

}  // namespace
}  // namespace kivari
