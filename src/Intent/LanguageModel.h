#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace kivari {

// The actions the language model may name; raw values equal the names.
enum class IntentCategory {
  calculator,
  browser,
  message,
  email,
  notes,
  weather,
  timer,
  music,
  calendar,
  reminder,
  game,
  spreadsheet,
  presentation,
  document,
  videoCall,
  calendarEvent,
  volumeUp,
  volumeDown,
  mute,
  unmute,
  help,
  unknown
};

inline constexpr IntentCategory kAllIntentCategories[] = {
    IntentCategory::calculator,    IntentCategory::browser,  IntentCategory::message,
    IntentCategory::email,         IntentCategory::notes,    IntentCategory::weather,
    IntentCategory::timer,         IntentCategory::music,    IntentCategory::calendar,
    IntentCategory::reminder,      IntentCategory::game,     IntentCategory::spreadsheet,
    IntentCategory::presentation,  IntentCategory::document, IntentCategory::videoCall,
    IntentCategory::calendarEvent, IntentCategory::volumeUp, IntentCategory::volumeDown,
    IntentCategory::mute,          IntentCategory::unmute,   IntentCategory::help,
    IntentCategory::unknown};

std::string_view rawValue(IntentCategory category);
// None for any text that is not exactly one of the raw values.
std::optional<IntentCategory> intentCategoryFromRaw(std::string_view raw);

// The structured reading the model fills in for one request.
struct ParsedIntent {
  IntentCategory category = IntentCategory::unknown;
  std::optional<std::string> url;
  std::optional<std::string> recipient;
  std::optional<std::string> subject;
  std::optional<std::string> body;
  std::optional<std::string> location;
  std::optional<std::int64_t> timerSeconds;
  std::optional<std::string> query;
  std::optional<std::string> gameName;

  bool operator==(const ParsedIntent&) const = default;

  // The JSON Schema the model's answer must follow, properties in field order.
  static const nlohmann::ordered_json& generationSchema();
  // Reads generated content by property name. None when it is not an object,
  // the category is missing or not one of the raw values, or a field has the
  // wrong type; null counts as absent and unknown properties are ignored.
  static std::optional<ParsedIntent> fromGeneratedContent(const nlohmann::ordered_json& content);
  // Absent fields are left out.
  nlohmann::ordered_json generatedContent() const;
};

// The text the model is primed with once per session.
std::string_view intentInstructions();

// One conversation with a model: it keeps the instructions and every prompt
// and answer, and sends each new prompt with all that came before.
class LanguageModelSession {
 public:
  using Reply = std::function<void(std::optional<ParsedIntent>)>;

  virtual ~LanguageModelSession() = default;
  // Asks for a ParsedIntent. `reply` runs once, later, on the GLib main loop
  // of the calling thread; none when the request failed or its answer could
  // not be read, and the conversation then stays as it was.
  virtual void respond(const std::string& prompt, Reply reply) = 0;
};

// A model that may or may not be able to answer right now.
class LanguageModel {
 public:
  virtual ~LanguageModel() = default;
  virtual bool isAvailable() = 0;
  virtual std::unique_ptr<LanguageModelSession> makeSession(const std::string& instructions) = 0;
};

}  // namespace kivari
