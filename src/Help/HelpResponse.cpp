#include "Help/HelpResponse.h"

#include "Core/Text.h"

#include <initializer_list>

namespace kivari {

namespace {

using Keys = std::initializer_list<std::string_view>;

bool has(std::string_view q, std::string_view key) { return q.find(key) != std::string_view::npos; }

bool hasAny(std::string_view q, Keys keys) {
  for (auto key : keys) {
    if (has(q, key)) return true;
  }
  return false;
}

bool isOneOf(std::string_view q, Keys words) {
  for (auto word : words) {
    if (q == word) return true;
  }
  return false;
}

// "show" opens it too: the test is a plain substring test.
bool howGate(std::string_view q) { return has(q, "how") || has(q, "can i"); }

// The rule whose test holds first, 0-based; -1 for none. Order matters:
// earlier rules win over later ones that would also hold.
int matchingRule(std::string_view q) {
  if (hasAny(q, {"volume", "louder", "quieter", "sound", "audio"}) || (has(q, "how") && has(q, "loud"))) {
    return 0;
  }
  if (hasAny(q, {"what can", "what do", "what are", "capabilities", "features"}) ||
      (has(q, "how") && has(q, "work")) || hasAny(q, {"what is this", "what is kivari"})) {
    return 1;
  }
  const bool how = howGate(q);
  if (how && hasAny(q, {"message", "text", "sms", "imessage"})) return 2;
  if (how && hasAny(q, {"email", "mail"})) return 3;
  if (how && hasAny(q, {"game", "play"})) return 4;
  if (hasAny(q, {"how", "can i", "where"}) &&
      hasAny(q, {"spreadsheet", "excel", "doc", "presentation", "slides", "powerpoint", "word"})) {
    return 5;
  }
  if (how && has(q, "weather")) return 6;
  if (how && hasAny(q, {"timer", "alarm", "countdown", "pomodoro"})) return 7;
  if (how && hasAny(q, {"calendar", "schedule", "meeting", "appointment"})) return 8;
  if (how && hasAny(q, {"video", "call", "zoom", "meet", "facetime"})) return 9;
  if (how && hasAny(q, {"website", "browse", "internet", "web", "search", "google"})) return 10;
  if (how && hasAny(q, {"note", "write", "jot"})) return 11;
  if (how && hasAny(q, {"remind", "reminder"})) return 12;
  if (how && hasAny(q, {"lock", "sleep", "shut", "restart"})) return 13;
  if (how && hasAny(q, {"music", "song", "listen"})) return 14;
  if (hasAny(q, {"privacy", "data", "track", "safe", "secure", "cookie", "history"})) return 15;
  if (isOneOf(q, {"thanks", "thank you", "thx", "ty"})) return 16;
  if (has(q, "help") || q.starts_with("how") ||
      hasAny(q, {"tutorial", "guide", "getting started", "new here"})) {
    return 17;
  }
  return -1;
}

// Built on demand: a lookup makes one record and keeps nothing.
HelpResponse record(int rule) {
  switch (rule) {
    case 0:
      return {"How do I control volume?",
              "Just tell me what you want \u2014 I understand natural language for all audio controls. No settings "
              "menu needed.",
              {"turn up the volume", "make it louder", "crank it up", "max volume", "lower the volume", "too loud",
               "mute", "unmute"},
              "speaker.wave.3.fill",
              palette::blue};
    case 1:
      return {"What can Kivari do?",
              "I'm an app-less OS. Instead of installed apps, I read backend DNA from services like Google, "
              "Microsoft, Zoom, and others \u2014 then materialize a temporary cell for exactly what you need. When "
              "you're done, it dissolves with no trace. Just type what you want naturally.",
              {"play candy crush", "make a spreadsheet", "go to gmail.com", "send a message to mom",
               "what's the weather in Tokyo", "set a timer for 10 minutes", "write a note", "play some music"},
              "sparkles",
              palette::cyan};
    case 2:
      return {"How do I send a message?",
              "Just tell me who you want to message and what to say. I'll open a compose cell using your iMessage "
              "or SMS protocol \u2014 no app to find or open.",
              {"text mom", "send a message to John", "message Sarah hey are you free tonight?",
               "tell dad I'll be late", "text 555-1234 on my way"},
              "message.fill",
              palette::green};
    case 3:
      return {"How do I send an email?",
              "Tell me who to email and I'll materialize a compose cell. I use your native IMAP + SMTP protocols "
              "\u2014 no email app needed. Your credentials stay on-prem.",
              {"email the team about the meeting", "write an email to boss@company.com",
               "send an email to Sarah subject lunch plans", "email mom"},
              "envelope.fill",
              palette::blue};
    case 4:
      return {"How do I play games?",
              "Just say \"play\" followed by the game name. I'll read the game's backend DNA, sequence the RNA, and "
              "materialize a playable cell. Your progress syncs to your cloud account when the cell dissolves "
              "\u2014 nothing is installed locally.",
              {"play candy crush", "play chess", "play tetris", "play wordle", "play solitaire", "play 2048",
               "I'm bored"},
              "gamecontroller.fill",
              palette::green};
    case 5:
      return {"How do I create documents, spreadsheets, or presentations?",
              "Just ask. I'll show you which DNA sources are available \u2014 Google Workspace, Microsoft 365, etc. "
              "Pick one and I'll materialize it instantly with auto-login via your on-prem SSO. No app to install, "
              "no license to manage.",
              {"make a spreadsheet", "open google sheets", "I need to make a presentation", "create some slides",
               "write a document", "open word"},
              "doc.text.fill",
              palette::indigo};
    case 6:
      return {"How do I check the weather?",
              "Ask about the weather anywhere. I'll query the OpenMeteo REST API DNA anonymously \u2014 no location "
              "tracking, no history. The cell dissolves when you're done.",
              {"what's the weather", "weather in Tokyo", "is it going to rain", "temperature outside",
               "how's the weather in New York"},
              "cloud.sun.fill",
              palette::yellow};
    case 7:
      return {"How do I set a timer?",
              "Tell me how long and I'll materialize a timer cell. It runs using your local system clock \u2014 no "
              "background process remains after you dissolve it.",
              {"set a timer for 5 minutes", "timer 30 seconds", "pomodoro", "25 minute focus timer",
               "countdown 2 hours"},
              "timer",
              palette::orange};
    case 8:
      return {"How do I check my calendar?",
              "Ask to see your calendar and I'll pull events from all your sources \u2014 Google Calendar, Outlook, "
              "iCloud \u2014 via CalDAV. Read-only, dissolves after viewing.",
              {"check my calendar", "what's on my schedule", "do I have any meetings today", "show my appointments",
               "add a cal invite"},
              "calendar",
              palette::red};
    case 9:
      return {"How do I make a video call?",
              "Tell me you want a video call and I'll let you pick your DNA source \u2014 Zoom, Google Meet, or "
              "others. Auto-login via SSO, WebRTC protocol, nothing installed.",
              {"start a video call", "hop on a zoom", "google meet", "video call with the team", "join a meeting"},
              "video.fill",
              palette::blue};
    case 10:
      return {"How do I browse the web?",
              "Just say where you want to go. I'll materialize an ephemeral browser cell \u2014 no cookies persist, "
              "no browsing history, no bookmarks. Pure stateless HTTPS.",
              {"go to youtube.com", "open twitter", "search for recipes", "go to github",
               "google machine learning papers"},
              "globe",
              palette::blue};
    case 11:
      return {"How do I take notes?",
              "Just say you want to write a note. I'll materialize an ephemeral notepad \u2014 it exists only while "
              "you need it. When you dissolve the cell, everything disappears. Zero persistence.",
              {"write a note", "jot this down", "take a note", "I need to write something", "open notepad"},
              "note.text",
              palette::yellow};
    case 12:
      return {"How do I set a reminder?",
              "Tell me what to remember. I'll create a reminder cell that saves locally and then auto-dissolves. "
              "Quick and gone.",
              {"remind me to stretch", "reminder: call dentist", "don't let me forget to buy milk",
               "remind me about the meeting at 3"},
              "bell.badge.fill",
              palette::cyan};
    case 13:
      return {"How do I control my system?",
              "Just tell me. I can lock your screen, put the system to sleep, and control audio \u2014 all through "
              "natural language. No System Preferences needed.",
              {"lock my computer", "put it to sleep", "lock screen", "sleep"},
              "gearshape.fill",
              palette::gray};
    case 14:
      return {"How do I play music?",
              "Just ask. I'll materialize a streaming cell via HTTP audio protocol. No library access, no history "
              "\u2014 just music while you need it.",
              {"play some music", "play something chill", "put on some tunes", "I want to listen to music",
               "play jazz"},
              "music.note",
              palette::pink};
    case 15:
      return {"How does Kivari handle my privacy?",
              "Everything is ephemeral. Cells materialize from backend DNA when you need them and dissolve "
              "completely when you're done. No cookies persist, no browsing history, no installed apps collecting "
              "data. Credentials are handled on-prem via SSO. The OS body retains nothing.",
              {"Browser cells use non-persistent sessions", "No cookies survive after dissolve",
               "Credentials stay on your machine via SSO", "Weather queries are anonymous",
               "Game progress syncs to YOUR cloud, not ours"},
              "lock.shield.fill",
              palette::green};
    case 16:
      return {{},  // the thanks itself, filled in by find()
              "You're welcome! I'm always here. Just type what you need \u2014 no app to open, no menu to find. "
              "Everything materializes from backend DNA and dissolves when you're done.",
              {"play candy crush", "what's the weather", "make a spreadsheet", "text mom"},
              "heart.fill",
              palette::pink};
    default:
      return {"How does this OS work?",
              "Welcome to Kivari \u2014 the app-less operating system. There are no installed apps here. Instead, I "
              "read standardized backend DNA from services (Google, Microsoft, game studios, etc.), sequence it "
              "into RNA manifests, and materialize temporary cells \u2014 lightweight UIs that exist only while you "
              "need them. When you're done, they dissolve with zero trace. Just type what you want naturally.",
              {"play candy crush", "make a spreadsheet", "go to gmail.com", "what's the weather",
               "send a message to mom", "set a timer for 5 min", "turn up the volume", "lock my computer"},
              "sparkles",
              palette::cyan};
  }
}

}  // namespace

std::optional<HelpResponse> HelpResponse::find(std::string_view question) {
  const std::string q = text::lowercased(question);
  const int rule = matchingRule(q);
  if (rule < 0) return std::nullopt;
  HelpResponse response = record(rule);
  if (response.question.empty()) response.question = q;
  return response;
}

HelpResponse helpResponseFor(const std::string& question) {
  if (auto found = HelpResponse::find(question)) return std::move(*found);
  return {question,
          "I'm not sure about that specific question, but I can help with a lot! Try asking how to send a message, "
          "play a game, check the weather, make a spreadsheet, or control your volume. You can also tap the DNA "
          "icon below to browse the full Cell Catalog.",
          {"how does this work?", "play candy crush", "make a spreadsheet", "what's the weather", "text mom",
           "turn up the volume"},
          "sparkles",
          palette::cyan};
}

}  // namespace kivari
