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

TEST(CardConsent, AnswersOnceAndOnlyWhenSeenLongEnough) {
  ManualScheduler clock;
  {
    // Asked for and in view: ready at once, and one answer only.
    CardConsent asked(clock, /*unasked=*/false, /*covered=*/false);
    EXPECT_TRUE(asked.answer(true));
    EXPECT_FALSE(asked.answer(true));
    EXPECT_FALSE(asked.answer(false));
  }
  {
    // A model's card: Allow waits half a second; Deny does not.
    CardConsent unasked(clock, true, false);
    EXPECT_FALSE(unasked.answer(true));
    clock.advance(std::chrono::milliseconds(499));
    EXPECT_FALSE(unasked.answer(true));
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(unasked.answer(true));
    CardConsent denied(clock, true, false);
    EXPECT_TRUE(denied.answer(false));
  }
  {
    // Under a cover, nothing; the half second counts from when it is uncovered.
    CardConsent covered(clock, false, true);
    clock.advance(std::chrono::seconds(5));
    EXPECT_FALSE(covered.answer(false));
    covered.setCovered(false);
    EXPECT_FALSE(covered.answer(true));
    clock.advance(std::chrono::milliseconds(500));
    covered.setCovered(true);
    EXPECT_FALSE(covered.answer(true));
    covered.setCovered(false);
    EXPECT_TRUE(covered.answer(true));
  }
  {
    // Key presses are numbered as they begin: those up to the count when
    // the card was last ready and in view were not meant for it.
    unsigned presses = 3;
    CardConsent card(clock, true, false, [&] { return presses; });
    EXPECT_FALSE(card.takesPress());  // a click begun now is not the user's answer
    presses = 4;  // pressed inside the first half second, and held
    clock.advance(std::chrono::milliseconds(500));
    EXPECT_TRUE(card.pressedEarly(4));
    EXPECT_FALSE(card.pressedEarly(5));
    EXPECT_FALSE(card.pressedEarly(0));  // not Return or Space
    presses = 6;  // pressed under a cover
    card.setCovered(true);
    EXPECT_FALSE(card.takesPress());
    card.setCovered(false);
    EXPECT_TRUE(card.pressedEarly(6));
    EXPECT_TRUE(card.takesPress());
    EXPECT_TRUE(card.answer(true));
    EXPECT_FALSE(card.takesPress());
  }
  EXPECT_EQ(clock.pendingCount(), 0u);  // a gone card leaves no step behind
  {
    CardConsent leaving(clock, true, false);
    EXPECT_EQ(clock.pendingCount(), 1u);
  }
  EXPECT_EQ(clock.pendingCount(), 0u);
}

}  // namespace
}  // namespace kivari
