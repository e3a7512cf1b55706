#include "Intent/LanguageModel.h"

#include <iterator>
#include <limits>

namespace kivari {

namespace {

constexpr std::string_view kRawValues[] = {
    "calculator",   "browser",  "message",   "email",         "notes",    "weather",
    "timer",        "music",    "calendar",  "reminder",      "game",     "spreadsheet",
    "presentation", "document", "videoCall", "calendarEvent", "volumeUp", "volumeDown",
    "mute",         "unmute",   "help",      "unknown"};

static_assert(std::size(kRawValues) == std::size(kAllIntentCategories));

constexpr std::string_view kInstructions =
    "You are an intent classifier for an OS with no apps \u2014 only temporary cells built from "
    "protocol DNA. Parse the user's request into a structured intent. Categories: browser "
    "(websites/URLs), message (texts), email, notes, weather, timer (extract seconds), music, "
    "calendar, reminder, game (any game), spreadsheet, presentation, document, videoCall, "
    "calculator, volumeUp/Down, mute/unmute, help (questions about how to use the OS or what it "
    "can do). Extract all relevant fields.";

using Json = nlohmann::ordered_json;

// The optional text fields in schema order, after `category` and with
// `timerSeconds` between location and query.
struct TextField {
  const char* name;
  std::optional<std::string> ParsedIntent::*member;
  const char* description;
};

constexpr TextField kFieldsBeforeTimer[] = {
    {"url", &ParsedIntent::url, "URL or website name to navigate to"},
    {"recipient", &ParsedIntent::recipient, "Person to message or email"},
    {"subject", &ParsedIntent::subject, "Email subject line"},
    {"body", &ParsedIntent::body, "Message or email body text"},
    {"location", &ParsedIntent::location, "Location for weather queries"},
};
constexpr TextField kFieldsAfterTimer[] = {
    {"query", &ParsedIntent::query, "Search query or music to play"},
    {"gameName", &ParsedIntent::gameName, "Name of the game to play"},
};
constexpr const char* kTimerDescription = "Duration in seconds for timers";

// False when the property is present with the wrong type.
bool readText(const Json& content, const TextField& field, ParsedIntent& out) {
  const auto it = content.find(field.name);
  if (it == content.end() || it->is_null()) return true;
  if (!it->is_string()) return false;
  out.*field.member = it->get<std::string>();
  return true;
}

bool readTimer(const Json& content, ParsedIntent& out) {
  const auto it = content.find("timerSeconds");
  if (it == content.end() || it->is_null()) return true;
  if (it->is_number_unsigned()) {
    const auto value = it->get<std::uint64_t>();
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
    out.timerSeconds = static_cast<std::int64_t>(value);
    return true;
  }
  if (!it->is_number_integer()) return false;
  out.timerSeconds = it->get<std::int64_t>();
  return true;
}

}  // namespace

std::string_view rawValue(IntentCategory category) {
  return kRawValues[static_cast<std::size_t>(category)];
}

std::optional<IntentCategory> intentCategoryFromRaw(std::string_view raw) {
  for (const IntentCategory category : kAllIntentCategories) {
    if (rawValue(category) == raw) return category;
  }
  return std::nullopt;
}

std::string_view intentInstructions() { return kInstructions; }

const Json& ParsedIntent::generationSchema() {
  static const Json schema = [] {
    Json categories = Json::array();
    for (const IntentCategory category : kAllIntentCategories) {
      categories.push_back(std::string(rawValue(category)));
    }
    Json properties = Json::object();
    properties["category"] = {{"type", "string"},
                              {"description", "The action the user wants to perform"},
                              {"enum", categories}};
    for (const auto& field : kFieldsBeforeTimer) {
      properties[field.name] = {{"type", "string"}, {"description", field.description}};
    }
    properties["timerSeconds"] = {{"type", "integer"}, {"description", kTimerDescription}};
    for (const auto& field : kFieldsAfterTimer) {
      properties[field.name] = {{"type", "string"}, {"description", field.description}};
    }
    Json result = Json::object();
    result["type"] = "object";
    result["properties"] = std::move(properties);
    result["required"] = Json::array({"category"});
    return result;
  }();
  return schema;
}

std::optional<ParsedIntent> ParsedIntent::fromGeneratedContent(const Json& content) {
  if (!content.is_object()) return std::nullopt;
  const auto category = content.find("category");
  if (category == content.end() || !category->is_string()) return std::nullopt;
  const auto parsedCategory = intentCategoryFromRaw(category->get<std::string>());
  if (!parsedCategory) return std::nullopt;

  ParsedIntent out;
  out.category = *parsedCategory;
  for (const auto& field : kFieldsBeforeTimer) {
    if (!readText(content, field, out)) return std::nullopt;
  }
  if (!readTimer(content, out)) return std::nullopt;
  for (const auto& field : kFieldsAfterTimer) {
    if (!readText(content, field, out)) return std::nullopt;
  }
  return out;
}

Json ParsedIntent::generatedContent() const {
  Json content = Json::object();
  content["category"] = std::string(rawValue(category));
  for (const auto& field : kFieldsBeforeTimer) {
    if (const auto& value = this->*field.member) content[field.name] = *value;
  }
  if (timerSeconds) content["timerSeconds"] = *timerSeconds;
  for (const auto& field : kFieldsAfterTimer) {
    if (const auto& value = this->*field.member) content[field.name] = *value;
  }
  return content;
}

}  // namespace kivari
