#include "Intent/LLMIntentResolver.h"

#include "Core/MainContext.h"

#include <glib.h>

#include <utility>

#include "Intent/Extractors.h"
#include "Intent/LocalModelRuntime.h"

namespace kivari {

namespace {

std::string orEmpty(const std::optional<std::string>& text) { return text.value_or(""); }

}  // namespace

LLMIntentResolver::LLMIntentResolver(std::shared_ptr<LanguageModel> model)
    : model_(std::move(model)) {}

std::shared_ptr<LLMIntentResolver> LLMIntentResolver::shared() {
  static const std::shared_ptr<LLMIntentResolver> instance =
      std::make_shared<LLMIntentResolver>(std::make_shared<LocalModelRuntime>());
  return instance;
}

bool LLMIntentResolver::isAvailable() { return model_ && model_->isAvailable(); }

void LLMIntentResolver::resolve(const std::string& text, Answer answer) {
  std::shared_ptr<GMainContext> context(g_main_context_ref_thread_default(), g_main_context_unref);
  auto deliver = [context, answer = std::move(answer)](std::optional<ClassifiedIntent> intent) {
    // Always from the loop, even if a session replies inside respond().
    postToContext(context.get(), [answer, intent = std::move(intent)] { answer(intent); });
  };

  if (!isAvailable()) {
    deliver(std::nullopt);
    return;
  }
  // Set before the first wait, so a second request joins the same session.
  if (!session_) session_ = model_->makeSession(std::string(intentInstructions()));
  session_->respond(text, [deliver = std::move(deliver)](std::optional<ParsedIntent> parsed) {
    deliver(parsed ? mapToClassifiedIntent(*parsed) : std::nullopt);
  });
}

std::optional<ClassifiedIntent> LLMIntentResolver::mapToClassifiedIntent(
    const ParsedIntent& parsed) {
  switch (parsed.category) {
    case IntentCategory::calculator:
    case IntentCategory::unknown:
      return std::nullopt;
    case IntentCategory::browser: {
      if (!parsed.url) return std::nullopt;
      auto url = IntentClassifier::normalizeURL(*parsed.url);
      if (!url) return std::nullopt;
      return ClassifiedIntent::withExpression(Expression::browser(std::move(*url)));
    }
    case IntentCategory::message:
      return ClassifiedIntent::withExpression(Expression::message(orEmpty(parsed.recipient), orEmpty(parsed.body)));
    case IntentCategory::email:
      return ClassifiedIntent::withExpression(Expression::email(orEmpty(parsed.recipient), orEmpty(parsed.subject),
                                              orEmpty(parsed.body)));
    case IntentCategory::notes:
      return ClassifiedIntent::withExpression(Expression::notes());
    case IntentCategory::weather:
      return ClassifiedIntent::withExpression(Expression::weather(orEmpty(parsed.location)));
    case IntentCategory::timer: {
      // A negative duration cannot be counted down; it becomes an instant timer.
      const std::int64_t seconds = parsed.timerSeconds.value_or(60);
      return ClassifiedIntent::withExpression(Expression::timer(seconds < 0 ? 0 : seconds, ""));
    }
    case IntentCategory::music:
      return ClassifiedIntent::withExpression(Expression::music(orEmpty(parsed.query)));
    case IntentCategory::calendar:
      return ClassifiedIntent::withExpression(Expression::calendar());
    case IntentCategory::reminder:
      return ClassifiedIntent::withExpression(
          Expression::reminder(parsed.body ? *parsed.body : orEmpty(parsed.query)));
    case IntentCategory::game:
      return ClassifiedIntent::withExpression(
          Expression::game(parsed.gameName ? *parsed.gameName : parsed.query.value_or("Game")));
    case IntentCategory::help:
      return ClassifiedIntent::withExpression(Expression::help(orEmpty(parsed.query)));
    case IntentCategory::spreadsheet:
      return ClassifiedIntent::withCategory(ProductivityCategory::spreadsheet);
    case IntentCategory::presentation:
      return ClassifiedIntent::withCategory(ProductivityCategory::presentation);
    case IntentCategory::document:
      return ClassifiedIntent::withCategory(ProductivityCategory::document);
    case IntentCategory::videoCall:
      return ClassifiedIntent::withCategory(ProductivityCategory::videoCall);
    case IntentCategory::calendarEvent:
      return ClassifiedIntent::withCategory(ProductivityCategory::calendarEvent);
    case IntentCategory::volumeUp:
      return ClassifiedIntent::withAction(SystemControlAction::volumeUp);
    case IntentCategory::volumeDown:
      return ClassifiedIntent::withAction(SystemControlAction::volumeDown);
    case IntentCategory::mute:
      return ClassifiedIntent::withAction(SystemControlAction::mute);
    case IntentCategory::unmute:
      return ClassifiedIntent::withAction(SystemControlAction::unmute);
  }
  return std::nullopt;
}

}  // namespace kivari
