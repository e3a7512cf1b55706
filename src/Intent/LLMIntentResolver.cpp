#include "Intent/LLMIntentResolver.h"

#include <glib.h>

#include <utility>

#include "Intent/Extractors.h"
#include "Intent/LocalModelRuntime.h"

namespace kivari {

namespace {

// Runs `task` once from `context`'s loop; safe to call from any thread.
void postTo(GMainContext* context, std::function<void()> task) {
  GSource* source = g_idle_source_new();
  g_source_set_callback(
      source,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(task)),
      [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
  g_source_attach(source, context);
  g_source_unref(source);
}

std::string orEmpty(const std::optional<std::string>& text) { return text.value_or(""); }

ClassifiedIntent withExpression(Expression expression) {
  ClassifiedIntent intent;
  intent.expression = std::move(expression);
  return intent;
}

ClassifiedIntent withProductivity(ProductivityCategory category) {
  ClassifiedIntent intent;
  intent.productivityCategory = category;
  return intent;
}

ClassifiedIntent withSystemControl(SystemControlAction action) {
  ClassifiedIntent intent;
  intent.systemControl = action;
  return intent;
}

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
    postTo(context.get(), [answer, intent = std::move(intent)] { answer(intent); });
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
      return withExpression(Expression::browser(std::move(*url)));
    }
    case IntentCategory::message:
      return withExpression(Expression::message(orEmpty(parsed.recipient), orEmpty(parsed.body)));
    case IntentCategory::email:
      return withExpression(Expression::email(orEmpty(parsed.recipient), orEmpty(parsed.subject),
                                              orEmpty(parsed.body)));
    case IntentCategory::notes:
      return withExpression(Expression::notes());
    case IntentCategory::weather:
      return withExpression(Expression::weather(orEmpty(parsed.location)));
    case IntentCategory::timer: {
      // A negative duration cannot be counted down; it becomes an instant timer.
      const std::int64_t seconds = parsed.timerSeconds.value_or(60);
      return withExpression(Expression::timer(seconds < 0 ? 0 : seconds, ""));
    }
    case IntentCategory::music:
      return withExpression(Expression::music(orEmpty(parsed.query)));
    case IntentCategory::calendar:
      return withExpression(Expression::calendar());
    case IntentCategory::reminder:
      return withExpression(
          Expression::reminder(parsed.body ? *parsed.body : orEmpty(parsed.query)));
    case IntentCategory::game:
      return withExpression(
          Expression::game(parsed.gameName ? *parsed.gameName : parsed.query.value_or("Game")));
    case IntentCategory::help:
      return withExpression(Expression::help(orEmpty(parsed.query)));
    case IntentCategory::spreadsheet:
      return withProductivity(ProductivityCategory::spreadsheet);
    case IntentCategory::presentation:
      return withProductivity(ProductivityCategory::presentation);
    case IntentCategory::document:
      return withProductivity(ProductivityCategory::document);
    case IntentCategory::videoCall:
      return withProductivity(ProductivityCategory::videoCall);
    case IntentCategory::calendarEvent:
      return withProductivity(ProductivityCategory::calendarEvent);
    case IntentCategory::volumeUp:
      return withSystemControl(SystemControlAction::volumeUp);
    case IntentCategory::volumeDown:
      return withSystemControl(SystemControlAction::volumeDown);
    case IntentCategory::mute:
      return withSystemControl(SystemControlAction::mute);
    case IntentCategory::unmute:
      return withSystemControl(SystemControlAction::unmute);
  }
  return std::nullopt;
}

}  // namespace kivari
