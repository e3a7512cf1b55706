// Typed text through the real rules and the state hub, end to end.
#include "Core/AppState.h"

#include <gtest/gtest.h>

namespace kivari {
namespace {

using Type = StatusMessage::MessageType;

class RequestRoadTest : public ::testing::Test {
 protected:
  RequestRoadTest() {
    AppStateServices services;  // the real rules
    services.executeSystemAction = [this](SystemControlAction action) {
      actions.push_back(action);
      return SystemActionResult{true, "done"};
    };
    state = std::make_unique<AppState>(
        std::make_unique<ManifestRegistry>(std::filesystem::path(KIVARI_SOURCE_DIR) / "resources"),
        std::move(services));
  }

  void type(const std::string& text) {
    state->setIntentText(text);
    state->submit();
  }

  const StatusMessage& last() const { return state->statusMessages().back(); }

  std::vector<SystemControlAction> actions;
  std::unique_ptr<AppState> state;
};

TEST_F(RequestRoadTest, SystemPhraseRunsAtOnce) {
  type("  mute ");
  EXPECT_EQ(actions, std::vector{SystemControlAction::mute});
  EXPECT_EQ(state->statusMessages()[1].text, "mute");
  EXPECT_EQ(last().text, "done");
  EXPECT_EQ(state->mode(), AppMode::prompt());
}

TEST_F(RequestRoadTest, ProductivityRequestOpensThePicker) {
  type("make a spreadsheet");
  EXPECT_EQ(state->mode(), AppMode::dnaPicker(ProductivityCategory::spreadsheet));
  EXPECT_EQ(last().text, "Multiple DNA sources available for Spreadsheet");
}

TEST_F(RequestRoadTest, ShippedCalculatorIsVerifiedAndOpens) {
  type("calculator");
  ASSERT_TRUE(state->mode().as<AppMode::CapabilityPrompt>());
  const Expression expression = state->mode().as<AppMode::CapabilityPrompt>()->expression;
  EXPECT_EQ(expression.kind(), Expression::Kind::bundled);
  EXPECT_EQ(last().text, "Signature verified · Local Manifest");
  EXPECT_EQ(last().type, Type::success);
  state->allow(expression);
  EXPECT_EQ(last().text, "Calculator active · Sandboxed local execution · No network · Esc to dissolve");
  state->dissolve();
  EXPECT_EQ(last().text, "No trace left · Local Manifest session ended");
}

TEST_F(RequestRoadTest, AddressesCellsAndHelp) {
  type("open Example.com");
  ASSERT_TRUE(state->mode().as<AppMode::CapabilityPrompt>());
  EXPECT_EQ(state->mode().as<AppMode::CapabilityPrompt>()->expression.id(),
            "browser-https://Example.com");
  EXPECT_EQ(last().text, "HTTPS / TLS 1.3 · Ephemeral HTTPS session · No cookies persist");

  type("what can you do?");
  ASSERT_TRUE(state->mode().isExpressing());
  EXPECT_EQ(state->mode().as<AppMode::Expressing>()->expression.kind(), Expression::Kind::help);
}

TEST_F(RequestRoadTest, NothingUnderstoodGivesTheHint) {
  type("purple elephant");
  EXPECT_EQ(last().text, AppState::hintText());
  EXPECT_EQ(state->mode(), AppMode::prompt());
}

}  // namespace
}  // namespace kivari
