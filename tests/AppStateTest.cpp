#include "Core/AppState.h"

#include "Manifests/ManifestSigner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <deque>

namespace kivari {
namespace {

using Type = StatusMessage::MessageType;

class FakeResolver : public IntentModelResolver {
 public:
  bool available = false;
  std::vector<std::string> asked;
  std::deque<Answer> pending;

  bool isAvailable() override { return available; }
  void resolve(const std::string& text, Answer answer) override {
    asked.push_back(text);
    pending.push_back(std::move(answer));
  }
  void answerNext(std::optional<ClassifiedIntent> intent) {
    auto answer = std::move(pending.front());
    pending.pop_front();
    answer(std::move(intent));
  }
};

class AppStateTest : public ::testing::Test {
 protected:
  AppStateTest() { makeState(); }

  void makeState() {
    resolver = std::make_shared<FakeResolver>();
    AppStateServices services;
    services.classify = [this](const std::string& request, const ManifestRegistry&) {
      classified.push_back(request);
      return nextIntent;
    };
    services.executeSystemAction = [this](SystemControlAction action) {
      executed.push_back(action);
      return actionResult;
    };
    services.modelResolver = resolver;
    state = std::make_unique<AppState>(std::make_unique<ManifestRegistry>(std::nullopt),
                                       std::move(services));
    state->signalModeChanged().connect([this] { ++modeNotifications; });
    state->signalIntentTextChanged().connect([this] { ++textNotifications; });
    state->signalStatusMessagesChanged().connect([this] { ++messageNotifications; });
    state->signalIsThinkingChanged().connect([this] { ++thinkingNotifications; });
  }

  void submit(const std::string& text, ClassifiedIntent intent) {
    nextIntent = std::move(intent);
    state->setIntentText(text);
    state->submit();
  }

  // The lines posted since the given count, as (text, type).
  std::vector<std::pair<std::string, Type>> linesSince(std::size_t from) const {
    std::vector<std::pair<std::string, Type>> lines;
    const auto& all = state->statusMessages();
    for (std::size_t i = from; i < all.size(); ++i) lines.emplace_back(all[i].text, all[i].type);
    return lines;
  }

  using Lines = std::vector<std::pair<std::string, Type>>;

  std::unique_ptr<AppState> state;
  std::shared_ptr<FakeResolver> resolver;
  ClassifiedIntent nextIntent;
  SystemActionResult actionResult{true, "Volume muted"};
  std::vector<std::string> classified;
  std::vector<SystemControlAction> executed;
  int modeNotifications = 0;
  int textNotifications = 0;
  int messageNotifications = 0;
  int thinkingNotifications = 0;
};

ClassifiedIntent expressionIntent(Expression e) { return {std::move(e), std::nullopt, std::nullopt}; }

TEST_F(AppStateTest, StartsReadyAtThePrompt) {
  EXPECT_EQ(state->mode(), AppMode::prompt());
  EXPECT_EQ(state->intentText(), "");
  EXPECT_EQ(linesSince(0), (Lines{{"Kivari ready", Type::system}}));
  EXPECT_FALSE(state->isThinking());
  EXPECT_FALSE(state->showCatalog());
}

TEST_F(AppStateTest, BlankRequestDoesNothing) {
  submit(" \n\t ", ClassifiedIntent{});
  EXPECT_EQ(state->statusMessages().size(), 1u);
  EXPECT_EQ(state->intentText(), " \n\t ");
  EXPECT_TRUE(classified.empty());
}

TEST_F(AppStateTest, SystemActionKeepsTheMode) {
  submit("  mute  ", {std::nullopt, SystemControlAction::mute, std::nullopt});
  EXPECT_EQ(classified, std::vector<std::string>{"mute"});
  EXPECT_EQ(linesSince(1), (Lines{{"mute", Type::user}, {"Volume muted", Type::success}}));
  EXPECT_EQ(state->intentText(), "");
  EXPECT_EQ(state->mode(), AppMode::prompt());

  actionResult = {false, "Failed to create script"};
  submit("louder", {std::nullopt, SystemControlAction::volumeUp, std::nullopt});
  EXPECT_EQ(linesSince(3),
            (Lines{{"louder", Type::user}, {"Failed to create script", Type::error}}));
  EXPECT_EQ(executed, (std::vector{SystemControlAction::mute, SystemControlAction::volumeUp}));
}

TEST_F(AppStateTest, AnswersAreTakenInOrderSystemCategoryExpression) {
  submit("both", {Expression::notes(), SystemControlAction::mute, std::nullopt});
  EXPECT_EQ(executed.size(), 1u);
  EXPECT_EQ(state->mode(), AppMode::prompt());

  submit("both", {Expression::notes(), std::nullopt, ProductivityCategory::spreadsheet});
  EXPECT_EQ(state->mode(), AppMode::dnaPicker(ProductivityCategory::spreadsheet));
}

TEST_F(AppStateTest, ProductivityRequestOpensThePickerThenPickingPresentsABrowser) {
  submit("make a spreadsheet", {std::nullopt, std::nullopt, ProductivityCategory::videoCall});
  EXPECT_EQ(linesSince(2),
            (Lines{{"Multiple DNA sources available for Video Call", Type::system}}));
  EXPECT_EQ(state->mode(), AppMode::dnaPicker(ProductivityCategory::videoCall));

  const auto url = *Url::parse("https://meet.example.com/new");
  state->pickDNA(url, "Meet");
  EXPECT_EQ(linesSince(3),
            (Lines{{"Selected Meet DNA · Auto-login via on-prem SSO", Type::success},
                   {"HTTPS / TLS 1.3 · Ephemeral HTTPS session · No cookies persist",
                    Type::system}}));
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(Expression::browser(url)));

  state->deny();
  EXPECT_EQ(linesSince(5), (Lines{{"Denied", Type::system}}));
  EXPECT_EQ(state->mode(), AppMode::prompt());
}

TEST_F(AppStateTest, CancellingThePickerPostsNothing) {
  submit("doc", {std::nullopt, std::nullopt, ProductivityCategory::document});
  const auto before = state->statusMessages().size();
  state->cancelPicker();
  EXPECT_EQ(state->mode(), AppMode::prompt());
  EXPECT_EQ(state->statusMessages().size(), before);
}

TEST_F(AppStateTest, CellRoadPresentAllowDissolve) {
  const auto weather = Expression::weather("Oslo");
  submit("weather in oslo", expressionIntent(weather));
  EXPECT_EQ(linesSince(2), (Lines{{"REST API (OpenMeteo) · Anonymous REST query · No location "
                                   "tracking",
                                   Type::system}}));
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(weather));

  state->allow(weather);
  EXPECT_EQ(linesSince(3),
            (Lines{{"Materializing Weather via REST API (OpenMeteo)…", Type::system},
                   {"Weather active · Anonymous REST query · No location tracking · Esc to "
                    "dissolve",
                    Type::success}}));
  EXPECT_EQ(state->mode(), AppMode::expressing(weather));

  state->dissolve();
  EXPECT_EQ(linesSince(5), (Lines{{"Dissolving Weather…", Type::system},
                                  {"No trace left · REST API (OpenMeteo) session ended",
                                   Type::system}}));
  EXPECT_EQ(state->mode(), AppMode::prompt());
}

TEST_F(AppStateTest, DissolvingAGameSyncsFirst) {
  const auto game = Expression::game("Chess");
  state->allow(game);
  const auto before = state->statusMessages().size();
  state->dissolve();
  EXPECT_EQ(linesSince(before),
            (Lines{{"Syncing progress to cloud account…", Type::system},
                   {"Dissolving Chess…", Type::system},
                   {"No trace left · HTTPS + WebSocket session ended", Type::system}}));
}

TEST_F(AppStateTest, DissolveWithoutAnOpenCellDoesNothing) {
  state->dissolve();
  submit("notes", expressionIntent(Expression::notes()));
  submit("doc", {std::nullopt, std::nullopt, ProductivityCategory::document});
  const auto lines = state->statusMessages().size();
  const auto notifications = modeNotifications;
  state->dissolve();
  EXPECT_EQ(state->statusMessages().size(), lines);
  EXPECT_EQ(modeNotifications, notifications);
  EXPECT_EQ(state->mode(), AppMode::dnaPicker(ProductivityCategory::document));
}

TEST_F(AppStateTest, HelpOpensAtOnceWithOnlyTheUserLine) {
  submit("what can you do?", expressionIntent(Expression::help("what can you do?")));
  EXPECT_EQ(linesSince(1), (Lines{{"what can you do?", Type::user}}));
  EXPECT_EQ(state->mode(), AppMode::expressing(Expression::help("what can you do?")));

  // The same question again assigns an equal mode: nobody is told.
  const auto notifications = modeNotifications;
  submit("what can you do?", expressionIntent(Expression::help("what can you do?")));
  EXPECT_EQ(modeNotifications, notifications);
  EXPECT_EQ(linesSince(2), (Lines{{"what can you do?", Type::user}}));
}

TEST_F(AppStateTest, ManifestCellsReportTheirSignature) {
  auto manifest = testing::sampleManifest();
  submit("calc", expressionIntent(Expression::bundled(manifest)));
  EXPECT_EQ(linesSince(2), (Lines{{"Unverified · Local Manifest", Type::system}}));
  EXPECT_TRUE(state->mode().as<AppMode::CapabilityPrompt>());

  const auto keys = ManifestSigner::generateKeyPair();
  manifest.publisher = ExpressionManifest::Publisher{"Kivari", keys.publicKeyBase64};
  manifest.signature = ManifestSigner::sign(manifest, keys.privateKey);
  submit("calc", expressionIntent(Expression::bundled(manifest)));
  EXPECT_EQ(linesSince(4), (Lines{{"Signature verified · Local Manifest", Type::success}}));
}

TEST_F(AppStateTest, RequestUnderAnOpenCellReplacesItWithoutDissolveLines) {
  state->allow(Expression::notes());
  const auto before = state->statusMessages().size();
  submit("timer", expressionIntent(Expression::timer(60, "")));
  EXPECT_EQ(linesSince(before),
            (Lines{{"timer", Type::user},
                   {"Local Clock · System clock · No background process after dissolve",
                    Type::system}}));
  state->deny();
  EXPECT_EQ(state->mode(), AppMode::prompt());

  // A system action or the hint leaves an open cell open.
  state->allow(Expression::notes());
  submit("mute", {std::nullopt, SystemControlAction::mute, std::nullopt});
  submit("gibberish", ClassifiedIntent{});
  EXPECT_EQ(state->mode(), AppMode::expressing(Expression::notes()));
}

TEST_F(AppStateTest, NothingUnderstoodWithoutAModelShowsTheHint) {
  submit("blorp", ClassifiedIntent{});
  EXPECT_EQ(linesSince(1), (Lines{{"blorp", Type::user}, {AppState::hintText(), Type::system}}));
  EXPECT_TRUE(resolver->asked.empty());
  EXPECT_FALSE(state->isThinking());
  EXPECT_EQ(AppState::hintText(),
            "Try: play candy crush · go to gmail.com · calculator · weather · send a message · "
            "write a note");
}

TEST_F(AppStateTest, ModelAnswersArriveLaterAndInOrder) {
  resolver->available = true;
  submit("first", ClassifiedIntent{});
  submit("second", ClassifiedIntent{});
  EXPECT_EQ(linesSince(1), (Lines{{"first", Type::user}, {"Thinking…", Type::system},
                                  {"second", Type::user}, {"Thinking…", Type::system}}));
  EXPECT_TRUE(state->isThinking());
  EXPECT_EQ(thinkingNotifications, 1);
  EXPECT_EQ(resolver->asked, (std::vector<std::string>{"first", "second"}));

  resolver->answerNext(expressionIntent(Expression::notes()));
  EXPECT_FALSE(state->isThinking());
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(Expression::notes()));
  EXPECT_EQ(linesSince(5),
            (Lines{{"Ephemeral FS · Local memory only · Zero persistence on dissolve",
                    Type::system}}));

  // "second" was asked before that card came up: its answer is set aside.
  resolver->answerNext(expressionIntent(Expression::calendar()));
  EXPECT_EQ(linesSince(6), (Lines{{"Model answer set aside · you moved on", Type::system}}));
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(Expression::notes()));

  // A category alone from the model is not followed.
  submit("third", ClassifiedIntent{});
  resolver->answerNext(ClassifiedIntent{std::nullopt, std::nullopt, ProductivityCategory::document});
  EXPECT_EQ(linesSince(9), (Lines{{AppState::hintText(), Type::system}}));
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(Expression::notes()));
}

TEST_F(AppStateTest, ModelSystemActionOrNoAnswer) {
  resolver->available = true;
  submit("make it quieter please", ClassifiedIntent{});
  resolver->answerNext(ClassifiedIntent{std::nullopt, SystemControlAction::volumeDown, std::nullopt});
  EXPECT_EQ(executed, std::vector{SystemControlAction::volumeDown});
  EXPECT_EQ(linesSince(3), (Lines{{"Volume muted", Type::success}}));

  submit("??", ClassifiedIntent{});
  resolver->answerNext(std::nullopt);
  EXPECT_EQ(linesSince(6), (Lines{{AppState::hintText(), Type::system}}));
  EXPECT_FALSE(state->isThinking());
}

TEST_F(AppStateTest, ALateAnswerNeverReplacesOrFollowsACardPickerOrCellShownAfterItsRequest) {
  resolver->available = true;
  const auto lateAnswerLeavesInPlace = [&](const AppMode& shown) {
    ASSERT_TRUE(state->isThinking());
    const auto before = state->statusMessages().size();
    resolver->answerNext(expressionIntent(Expression::browser(*Url::parse("https://127.0.0.1"))));
    EXPECT_EQ(state->mode(), shown);
    EXPECT_FALSE(state->isThinking());
    EXPECT_EQ(linesSince(before), (Lines{{"Model answer set aside · you moved on", Type::system}}));
  };

  // The card of a request typed while the model thinks.
  submit("asked at the prompt", ClassifiedIntent{});
  submit("calculator", expressionIntent(Expression::notes()));
  lateAnswerLeavesInPlace(AppMode::capabilityPrompt(Expression::notes()));

  // A picker, and the same card put up again after the request.
  submit("asked under the card", ClassifiedIntent{});
  submit("doc", {std::nullopt, std::nullopt, ProductivityCategory::document});
  lateAnswerLeavesInPlace(AppMode::dnaPicker(ProductivityCategory::document));
  submit("calculator", expressionIntent(Expression::notes()));
  submit("asked under the card again", ClassifiedIntent{});
  submit("calculator", expressionIntent(Expression::notes()));
  lateAnswerLeavesInPlace(AppMode::capabilityPrompt(Expression::notes()));

  // A cell opened after the request; one typed under the cell replaces it,
  // as a typed request would.
  submit("asked under the card", ClassifiedIntent{});
  state->allow(Expression::notes());
  submit("asked under the cell", ClassifiedIntent{});
  lateAnswerLeavesInPlace(AppMode::expressing(Expression::notes()));
  resolver->answerNext(expressionIntent(Expression::weather("Oslo")));
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(Expression::weather("Oslo")));

  // Nor does one come from nowhere once what came up after its request has
  // gone: a cell dissolved, a card denied, a picker cancelled, a help cell.
  submit("asked before the cell", ClassifiedIntent{});
  state->allow(Expression::notes());
  state->dissolve();
  lateAnswerLeavesInPlace(AppMode::prompt());
  submit("asked before the card", ClassifiedIntent{});
  submit("calculator", expressionIntent(Expression::notes()));
  state->deny();
  lateAnswerLeavesInPlace(AppMode::prompt());
  submit("asked before the picker", ClassifiedIntent{});
  submit("doc", {std::nullopt, std::nullopt, ProductivityCategory::document});
  state->cancelPicker();
  lateAnswerLeavesInPlace(AppMode::prompt());
  submit("asked before help", ClassifiedIntent{});
  submit("help", expressionIntent(Expression::help("help")));
  ASSERT_TRUE(state->mode().isExpressing());
  state->dissolve();
  lateAnswerLeavesInPlace(AppMode::prompt());

  // One typed under a cell is still applied once that cell has gone.
  state->allow(Expression::notes());
  submit("asked under the cell", ClassifiedIntent{});
  state->dissolve();
  resolver->answerNext(expressionIntent(Expression::timer(60, "")));
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(Expression::timer(60, "")));
}

// The user has moved on: an answer must not put up a card that takes the
// keys of the request being typed, or sits unseen under the catalog.
TEST_F(AppStateTest, AnAnswerWhileTheUserTypesOrBrowsesTheCatalogIsDropped) {
  resolver->available = true;
  const auto answerLeavesAll = [&](const char* why) {
    const auto before = state->statusMessages().size();
    resolver->answerNext(expressionIntent(Expression::browser(*Url::parse("https://127.0.0.1"))));
    EXPECT_EQ(state->mode(), AppMode::prompt()) << why;
    EXPECT_FALSE(state->isThinking()) << why;
    // One line ends the "Thinking…" that no answer follows.
    EXPECT_EQ(linesSince(before), (Lines{{"Model answer set aside · you moved on", Type::system}})) << why;
  };
  submit("unclear", ClassifiedIntent{});
  state->setIntentText("b");
  answerLeavesAll("typing at the prompt");
  EXPECT_EQ(state->intentText(), "b");

  state->setIntentText("");
  submit("unclear", ClassifiedIntent{});
  state->setShowCatalog(true);
  answerLeavesAll("catalog opened after the request");
  // Closed and opened again: still one opened since.
  submit("unclear", ClassifiedIntent{});
  state->setShowCatalog(false);
  state->toggleCatalog();
  answerLeavesAll("catalog reopened");

  // A catalog already open when the request went out was no turn away.
  submit("unclear", ClassifiedIntent{});
  resolver->answerNext(expressionIntent(Expression::notes()));
  EXPECT_EQ(state->mode(), AppMode::capabilityPrompt(Expression::notes()));
}

TEST_F(AppStateTest, LateModelAnswerAfterTheStateIsGoneIsDropped) {
  resolver->available = true;
  submit("slow", ClassifiedIntent{});
  auto answer = std::move(resolver->pending.front());
  state.reset();
  answer(expressionIntent(Expression::notes()));  // must not touch freed memory
  SUCCEED();
}

TEST_F(AppStateTest, ChangeSignalsFireOnlyForRealChanges) {
  state->setIntentText("");
  EXPECT_EQ(textNotifications, 0);
  state->setIntentText("abc");
  state->setIntentText("abc");
  EXPECT_EQ(textNotifications, 1);

  int catalogNotifications = 0;
  state->signalShowCatalogChanged().connect([&] { ++catalogNotifications; });
  state->setShowCatalog(false);
  state->toggleCatalog();
  state->setShowCatalog(true);
  EXPECT_EQ(catalogNotifications, 1);
  EXPECT_TRUE(state->showCatalog());

  const int before = messageNotifications;
  state->deny();
  state->deny();
  EXPECT_EQ(messageNotifications, before + 2);
  EXPECT_EQ(modeNotifications, 0);
}

}  // namespace
}  // namespace kivari
