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
  EXPECT_EQ(keyAction(Key::other, false, WindowKeyState{true, true, true}), KeyAction::none);
}

}  // namespace
}  // namespace kivari
