#include "Intent/IntentClassifier.h"

#include "Core/Text.h"
#include "Intent/IntentResolver.h"
#include "Intent/SystemControl.h"

namespace kivari::IntentClassifier {

namespace {

}  // namespace

ClassifiedIntent classify(std::string_view text, const ManifestRegistry& registry) {
  const std::string trimmed = text::trimmed(text);
  const std::string lower = text::lowercased(trimmed);

  if (auto colloquial = matchColloquial(lower)) return std::move(*colloquial);
  // Looked for anywhere in the text, so a system phrase inside a longer
  // request wins over every cell.
  if (auto action = SystemControl::matchLowercased(lower)) return ClassifiedIntent::withAction(*action);
  // Before addresses: "open google docs" is a document, not a web site.
  if (auto category = matchProductivityIntent(lower)) return ClassifiedIntent::withCategory(*category);
  // The address keeps the case it was typed in.
  if (auto url = extractURL(trimmed)) return ClassifiedIntent::withExpression(Expression::browser(std::move(*url)));
  if (auto query = extractSearchQuery(lower)) {
    if (auto url = searchURL(*query)) return ClassifiedIntent::withExpression(Expression::browser(std::move(*url)));
  }
  if (matchesNotesIntent(lower)) return ClassifiedIntent::withExpression(Expression::notes());
  if (matchesWeatherIntent(lower)) {
    return ClassifiedIntent::withExpression(Expression::weather(extractWeatherLocation(lower)));
  }
  if (auto timer = extractTimerIntent(lower)) {
    return ClassifiedIntent::withExpression(Expression::timer(timer->seconds, std::move(timer->label)));
  }
  // Before games: "play something" is music, "play chess" a game.
  if (matchesMusicIntent(lower)) return ClassifiedIntent::withExpression(Expression::music(extractMusicQuery(lower)));
  if (auto game = extractGameIntent(lower)) {
    return ClassifiedIntent::withExpression(Expression::game(std::move(*game)));
  }
  if (matchesCalendarIntent(lower)) return ClassifiedIntent::withExpression(Expression::calendar());
  // Before messages: "remind me to text bob" is a reminder.
  if (auto reminder = extractReminderIntent(lower)) {
    return ClassifiedIntent::withExpression(Expression::reminder(std::move(*reminder)));
  }
  if (auto message = extractMessageIntent(lower)) {
    return ClassifiedIntent::withExpression(
        Expression::message(std::move(message->recipient), std::move(message->body)));
  }
  if (auto email = extractEmailIntent(lower)) {
    return ClassifiedIntent::withExpression(
        Expression::email(std::move(email->to), std::move(email->subject), std::move(email->body)));
  }
  // Shipped manifests only after every built-in cell.
  if (auto resolved = IntentResolver(registry).resolve(lower)) {
    return ClassifiedIntent::withExpression(Expression::bundled(std::move(resolved->manifest)));
  }
  // The question keeps the case it was typed in.
  if (matchesHelpIntent(lower)) return ClassifiedIntent::withExpression(Expression::help(trimmed));
  return {};
}

}  // namespace kivari::IntentClassifier
