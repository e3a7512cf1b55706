#include "Intent/Suggestions.h"

#include <glib.h>

#include "Core/StatusMessage.h"
#include "Core/Text.h"

namespace kivari::IntentClassifier {

namespace {

// Shared by the browse row and its placeholder so the two always agree.
constexpr const char* kBrowseExample = "go to github.com";

}  // namespace

IntentSuggestion::IntentSuggestion(std::string example_, std::string label_, std::string proto_)
    : id(freshUuid()), example(std::move(example_)), label(std::move(label_)),
      proto(std::move(proto_)) {}

const std::vector<IntentSuggestion>& suggestions() {
  static const std::vector<IntentSuggestion> rows{
      {"how does this work?", "Ask me anything", "Assistant"},
      {"what can you do?", "See all capabilities", "Assistant"},
      {"how do I send a message?", "Get help with messaging", "Assistant"},
      {"calculator", "Calculator", "Local Runtime"},
      {"make a spreadsheet", "Spreadsheet \u2014 pick DNA", "Multi"},
      {"make a presentation", "Slides \u2014 pick DNA", "Multi"},
      {"write a document", "Document \u2014 pick DNA", "Multi"},
      {"text mom", "iMessage", "iMessage"},
      {"email the team", "Email compose", "IMAP+SMTP"},
      {"start a video call", "Video Call \u2014 pick DNA", "WebRTC"},
      {kBrowseExample, "Browse the web", "HTTPS"},
      {"search for recipes", "Web Search", "HTTPS"},
      {"go to gmail.com", "Gmail (Google DNA)", "IMAP+SMTP"},
      {"play candy crush", "Candy Crush (King DNA)", "HTTPS+WS"},
      {"play chess", "Chess (Lichess DNA)", "HTTPS+WS"},
      {"I'm bored", "Random game", "HTTPS+WS"},
      {"play some music", "Music streaming", "HTTP Stream"},
      {"what's the weather", "Weather", "REST API"},
      {"set a timer for 5 minutes", "Timer", "Local Clock"},
      {"write a note", "Ephemeral Notes", "Ephemeral FS"},
      {"check my calendar", "Calendar", "CalDAV"},
      {"remind me to stretch", "Reminder", "Local Store"},
      {"turn up the volume", "Volume Up", "CoreAudio"},
      {"mute", "Mute", "CoreAudio"},
      {"lock my computer", "Lock Screen", "System"},
  };
  return rows;
}

const std::vector<std::string>& placeholders() {
  static const std::vector<std::string> texts{
      "how does this work?",
      "play candy crush",
      "what's the weather in Tokyo",
      "text mom I'll be late",
      "make a spreadsheet",
      kBrowseExample,
      "I'm bored",
      "set a timer for 5 minutes",
      "turn up the volume",
      "write a note",
      "play some music",
      "how do I send an email?",
      "check my calendar",
      "remind me to drink water",
      "search for recipes",
      "start a video call",
      "email the team about standup",
  };
  return texts;
}

std::vector<IntentSuggestion> filteredSuggestions(std::string_view typed) {
  const auto& rows = suggestions();
  if (typed.empty()) return rows;
  const std::string needle = text::lowercased(typed);
  std::vector<IntentSuggestion> kept;
  for (const auto& row : rows) {
    if (text::lowercased(row.example).find(needle) != std::string::npos ||
        text::lowercased(row.label).find(needle) != std::string::npos) {
      kept.push_back(row);
    }
  }
  return kept;
}

}  // namespace kivari::IntentClassifier
