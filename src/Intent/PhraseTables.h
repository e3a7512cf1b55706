#pragma once

#include "Core/ProductivityCategory.h"
#include "Intent/ClassifiedIntent.h"

#include <optional>
#include <string>
#include <string_view>

// The phrase-table matchers of the classifier; each is given the trimmed,
// lower-cased request.
namespace kivari::IntentClassifier {

std::optional<ClassifiedIntent> matchColloquial(std::string_view lower);
std::optional<ProductivityCategory> matchProductivityIntent(std::string_view lower);
bool matchesNotesIntent(std::string_view lower);
bool matchesWeatherIntent(std::string_view lower);
std::string extractWeatherLocation(std::string_view lower);
bool matchesMusicIntent(std::string_view lower);
std::string extractMusicQuery(std::string_view lower);
bool matchesCalendarIntent(std::string_view lower);
bool matchesHelpIntent(std::string_view lower);

}  // namespace kivari::IntentClassifier
