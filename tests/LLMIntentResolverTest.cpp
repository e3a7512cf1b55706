#include <glib.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "Intent/Extractors.h"
#include "Intent/LLMIntentResolver.h"
#include "MainLoop.h"

namespace kivari {
namespace {

using Json = nlohmann::ordered_json;

// These waits are held to one second.
bool iterateUntil(const std::function<bool()>& done) { return testing::pumpUntil(done, 1000); }

// A scripted model: records sessions and prompts, answers when told (none = the request failed).
struct FakeModel : LanguageModel {
  struct Session : LanguageModelSession {
    FakeModel& model;
    explicit Session(FakeModel& owner) : model(owner) {}
    void respond(const std::string& prompt, Reply reply) override {
      model.prompts.emplace_back(this, prompt);
      model.pending.push_back(std::move(reply));
      if (model.replyAtOnce) model.answerNext(model.nextContent);
    }
  };

  bool available = true;
  int availabilityAsked = 0;
  bool replyAtOnce = false;
  std::optional<Json> nextContent;
  std::vector<std::string> instructions;
  std::vector<std::pair<const LanguageModelSession*, std::string>> prompts;
  std::deque<LanguageModelSession::Reply> pending;

  bool isAvailable() override { return ++availabilityAsked, available; }
  std::unique_ptr<LanguageModelSession> makeSession(const std::string& text) override {
    instructions.push_back(text);
    return std::make_unique<Session>(*this);
  }
  void answerNext(const std::optional<Json>& content) {
    auto reply = std::move(pending.front());
    pending.pop_front();
    reply(content ? ParsedIntent::fromGeneratedContent(*content) : std::nullopt);
  }
};

struct Outcome {
  int calls = 0;
  std::optional<ClassifiedIntent> intent;
  IntentModelResolver::Answer answer() {
    return [this](std::optional<ClassifiedIntent> value) { ++calls, intent = std::move(value); };
  }
};

ParsedIntent reading(const Json& content) {
  auto parsed = ParsedIntent::fromGeneratedContent(content);
  EXPECT_TRUE(parsed) << content.dump();
  return parsed.value_or(ParsedIntent{});
}
ClassifiedIntent expression(Expression e) { return {std::move(e), std::nullopt, std::nullopt}; }
ClassifiedIntent control(SystemControlAction a) { return {std::nullopt, a, std::nullopt}; }
ClassifiedIntent productivity(ProductivityCategory c) { return {std::nullopt, std::nullopt, c}; }

TEST(LLMContract, CategoriesInstructionsAndSchema) {
  const std::vector<std::string> names = {
      "calculator",   "browser",  "message",   "email",         "notes",    "weather",
      "timer",        "music",    "calendar",  "reminder",      "game",     "spreadsheet",
      "presentation", "document", "videoCall", "calendarEvent", "volumeUp", "volumeDown",
      "mute",         "unmute",   "help",      "unknown"};
  ASSERT_EQ(std::size(kAllIntentCategories), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(rawValue(kAllIntentCategories[i]), names[i]);
    EXPECT_EQ(intentCategoryFromRaw(names[i]), kAllIntentCategories[i]);
  }
  for (const char* other : {"", "Browser", " timer", "volumeMax"})
    EXPECT_FALSE(intentCategoryFromRaw(other));

  const std::string_view text = intentInstructions();
  EXPECT_EQ(text.size(), 475u);
  EXPECT_TRUE(
      text.starts_with("You are an intent classifier for an OS with no apps \xE2\x80\x94 only "));
  EXPECT_NE(text.find("the user's request"), std::string_view::npos);
  EXPECT_TRUE(
      text.ends_with("help (questions about how to use the OS or what it can do). "
                     "Extract all relevant fields."));

  const Json& schema = ParsedIntent::generationSchema();
  EXPECT_EQ(schema.at("required"), Json::array({"category"}));
  const std::vector<std::array<std::string, 3>> fields = {
      {"category", "string", "The action the user wants to perform"},
      {"url", "string", "URL or website name to navigate to"},
      {"recipient", "string", "Person to message or email"},
      {"subject", "string", "Email subject line"},
      {"body", "string", "Message or email body text"},
      {"location", "string", "Location for weather queries"},
      {"timerSeconds", "integer", "Duration in seconds for timers"},
      {"query", "string", "Search query or music to play"},
      {"gameName", "string", "Name of the game to play"}};
  const Json& properties = schema.at("properties");
  ASSERT_EQ(properties.size(), fields.size());
  auto it = properties.begin();
  for (const auto& [name, type, description] : fields) {
    Json expected = {{"type", type}, {"description", description}};
    if (name == "category") expected["enum"] = names;
    EXPECT_EQ(it.key(), name);
    EXPECT_EQ(it.value(), expected);
    ++it;
  }
}

TEST(LLMParsedIntent, ReadsByNameAndRejectsWhatIsNotAParsedIntent) {
  const auto read = ParsedIntent::fromGeneratedContent({{"gameName", "chess"},
                                                        {"category", "game"},
                                                        {"timerSeconds", -5},
                                                        {"url", nullptr},
                                                        {"x", 1}});
  ASSERT_TRUE(read);
  EXPECT_EQ(read->gameName, "chess");
  EXPECT_EQ(read->timerSeconds, -5);
  EXPECT_FALSE(read->url);  // null is absent
  EXPECT_EQ(read->generatedContent(),
            (Json{{"category", "game"}, {"timerSeconds", -5}, {"gameName", "chess"}}));

  for (const Json& content :
       {Json{{"category", "volumeMax"}}, Json{{"category", "Timer"}}, Json{{"url", "a.com"}},
        Json{{"category", 3}}, Json{{"category", "timer"}, {"timerSeconds", "60"}},
        Json{{"category", "timer"}, {"timerSeconds", 1.5}},
        Json{{"category", "timer"}, {"timerSeconds", 18446744073709551615ull}},
        Json{{"category", "browser"}, {"url", Json::array({"a.com"})}},
        Json::array({Json{{"category", "notes"}}}), Json::parse("{", nullptr, false)}) {
    EXPECT_FALSE(ParsedIntent::fromGeneratedContent(content)) << content.dump();
  }
}

TEST(LLMMapping, EveryRowOfTheTable) {
  const auto example = IntentClassifier::normalizeURL("example.com");
  ASSERT_TRUE(example);
  using Pc = ProductivityCategory;
  using Sc = SystemControlAction;
  const std::vector<std::pair<Json, std::optional<ClassifiedIntent>>> rows = {
      {{{"category", "calculator"}, {"query", "2+2"}}, std::nullopt},
      {{{"category", "browser"}, {"url", "example.com"}},
       expression(Expression::browser(*example))},
      {{{"category", "browser"}, {"url", "news"}}, std::nullopt},  // no address
      {{{"category", "browser"}}, std::nullopt},
      {{{"category", "message"}, {"recipient", "Ann"}, {"body", "late"}},
       expression(Expression::message("Ann", "late"))},
      {{{"category", "message"}}, expression(Expression::message("", ""))},
      {{{"category", "email"}, {"recipient", "a@b.c"}, {"subject", "S"}, {"body", "B"}},
       expression(Expression::email("a@b.c", "S", "B"))},
      {{{"category", "email"}}, expression(Expression::email("", "", ""))},
      {{{"category", "notes"}}, expression(Expression::notes())},
      {{{"category", "weather"}, {"location", "Oslo"}}, expression(Expression::weather("Oslo"))},
      {{{"category", "weather"}}, expression(Expression::weather(""))},
      {{{"category", "timer"}, {"timerSeconds", 300}}, expression(Expression::timer(300, ""))},
      {{{"category", "timer"}}, expression(Expression::timer(60, ""))},
      {{{"category", "timer"}, {"timerSeconds", -30}},
       expression(Expression::timer(0, ""))},  // mended
      {{{"category", "music"}, {"query", "jazz"}}, expression(Expression::music("jazz"))},
      {{{"category", "music"}}, expression(Expression::music(""))},
      {{{"category", "calendar"}}, expression(Expression::calendar())},
      {{{"category", "reminder"}, {"body", "milk"}, {"query", "eggs"}},
       expression(Expression::reminder("milk"))},
      {{{"category", "reminder"}, {"query", "eggs"}}, expression(Expression::reminder("eggs"))},
      {{{"category", "reminder"}}, expression(Expression::reminder(""))},
      {{{"category", "game"}, {"query", "chess"}, {"gameName", "go"}},
       expression(Expression::game("go"))},
      {{{"category", "game"}, {"query", "chess"}}, expression(Expression::game("chess"))},
      {{{"category", "game"}}, expression(Expression::game("Game"))},
      {{{"category", "spreadsheet"}}, productivity(Pc::spreadsheet)},
      {{{"category", "presentation"}}, productivity(Pc::presentation)},
      {{{"category", "document"}}, productivity(Pc::document)},
      {{{"category", "videoCall"}}, productivity(Pc::videoCall)},
      {{{"category", "calendarEvent"}, {"body", "standup"}}, productivity(Pc::calendarEvent)},
      {{{"category", "volumeUp"}}, control(Sc::volumeUp)},
      {{{"category", "volumeDown"}}, control(Sc::volumeDown)},
      {{{"category", "mute"}}, control(Sc::mute)},
      {{{"category", "unmute"}}, control(Sc::unmute)},
      {{{"category", "help"}, {"query", "what can you do"}},
       expression(Expression::help("what can you do"))},
      {{{"category", "help"}}, expression(Expression::help(""))},
      {{{"category", "unknown"}, {"query", "hm"}}, std::nullopt},
  };
  for (const auto& [content, expected] : rows) {
    EXPECT_EQ(LLMIntentResolver::mapToClassifiedIntent(reading(content)), expected)
        << content.dump();
  }
}

class LLMResolverTest : public ::testing::Test {
 protected:
  std::shared_ptr<FakeModel> model = std::make_shared<FakeModel>();
  LLMIntentResolver resolver{model};
};

TEST_F(LLMResolverTest, UnavailableGivesNoneLaterAndNoSessionUntilAvailable) {
  model->available = false;
  Outcome first;
  resolver.resolve("something odd", first.answer());
  EXPECT_EQ(first.calls, 0);  // never from inside resolve
  ASSERT_TRUE(iterateUntil([&] { return first.calls == 1; }));
  EXPECT_FALSE(first.intent);
  EXPECT_FALSE(resolver.hasSession());

  model->available = true;
  EXPECT_TRUE(resolver.isAvailable());
  Outcome second;
  resolver.resolve("play jazz", second.answer());
  EXPECT_TRUE(resolver.hasSession());
  EXPECT_EQ(model->instructions, std::vector<std::string>{std::string(intentInstructions())});
  model->answerNext(Json{{"category", "music"}, {"query", "jazz"}});
  ASSERT_TRUE(iterateUntil([&] { return second.calls == 1; }));
  EXPECT_EQ(second.intent, expression(Expression::music("jazz")));
  EXPECT_EQ(model->availabilityAsked, 3);  // asked afresh each time
}

TEST_F(LLMResolverTest, OneSessionForTheRunEvenAfterFailures) {
  Outcome first, second, third;
  resolver.resolve("one", first.answer());
  resolver.resolve("two", second.answer());  // while the first still waits
  model->answerNext(std::nullopt);
  model->answerNext(Json{{"category", "Spreadsheet"}});
  resolver.resolve("three", third.answer());
  model->answerNext(Json{{"category", "mute"}});
  ASSERT_TRUE(iterateUntil([&] { return first.calls && second.calls && third.calls; }));

  EXPECT_EQ(model->instructions.size(), 1u);
  ASSERT_EQ(model->prompts.size(), 3u);
  for (const auto& [session, prompt] : model->prompts) EXPECT_EQ(session, model->prompts[0].first);
  EXPECT_FALSE(first.intent);
  EXPECT_FALSE(second.intent);
  EXPECT_EQ(third.intent, control(SystemControlAction::mute));
}

TEST_F(LLMResolverTest, ReplyInsideRespondIsStillDeliveredOnceFromTheLoop) {
  model->replyAtOnce = true;
  model->nextContent = Json{{"category", "timer"}, {"timerSeconds", -1}};
  Outcome outcome;
  resolver.resolve("timer", outcome.answer());
  EXPECT_EQ(outcome.calls, 0);
  ASSERT_TRUE(iterateUntil([&] { return outcome.calls > 0; }));
  for (int i = 0; i < 5; ++i) g_main_context_iteration(nullptr, FALSE);
  EXPECT_EQ(outcome.calls, 1);
  EXPECT_EQ(outcome.intent, expression(Expression::timer(0, "")));
}

}  // namespace
}  // namespace kivari
