#include "Help/CellCatalog.h"

#include <algorithm>

namespace kivari::catalog {

namespace {

// The sample addresses are real public services of the kind each entry names.
std::vector<CatalogSection> build() {
  return {
      {"Getting Started", "sparkles", palette::cyan, "No apps here. Just tell me what you need.",
       {
           {"how does this work?", "Learn how the OS works", {"what can you do?", "help", "what is Kivari?"}},
           {"how do I send a message?", "Ask me anything — I'll explain",
            {"how do I check weather?", "can I play games?"}},
       }},
      {"Communication", "bubble.left.and.bubble.right.fill", palette::green,
       "Text, email, or call — just say who and what.",
       {
           {"text mom I'll be late", "Send a text via iMessage / SMS",
            {"send a message to John", "message Sarah hey are you free?", "tell dad I'm on my way"}},
           {"email the team about standup", "Compose an email via IMAP + SMTP",
            {"write an email to jo@acme.io", "email mom", "send an email to Sarah subject lunch"}},
           {"start a video call", "Video call — pick Zoom or Meet DNA",
            {"hop on a zoom", "google meet", "video call with the team"}},
       }},
      {"Productivity", "briefcase.fill", palette::indigo, "Spreadsheets, docs, slides — pick your DNA source.",
       {
           {"make a spreadsheet", "Google Sheets or Excel — you pick",
            {"open google sheets", "I need excel", "new spreadsheet"}},
           {"make a presentation", "Google Slides or PowerPoint",
            {"create some slides", "I need to make a deck", "open powerpoint"}},
           {"write a document", "Google Docs or Word Online", {"open google docs", "I need word", "create a doc"}},
           {"calculator", "Built-in calculator cell", {"open calculator", "calc", "I need to do math"}},
       }},
      {"Web & Search", "globe", palette::blue, "Ephemeral browsing — no cookies, no history.",
       {
           {"go to github.com", "Open any website in a clean session",
            {"open twitter", "go to youtube", "visit reddit.com"}},
           {"search for recipes", "Search via DuckDuckGo",
            {"google machine learning", "look up best restaurants", "search for news"}},
           {"go to gmail.com", "Gmail — Google DNA session",
            {"open outlook.com", "go to zoom.us", "open drive.google.com"}},
       }},
      {"Entertainment", "gamecontroller.fill", palette::green, "Games materialize from backend DNA. Nothing installed.",
       {
           {"play candy crush", "Match-3 from king.com DNA", {"play tetris", "play chess", "play wordle"}},
           {"play solitaire", "Cards from Microsoft DNA", {"play 2048", "play minesweeper", "play snake"}},
           {"I'm bored", "I'll pick a random game for you", {"entertain me", "I need something to do"}},
           {"play some music", "Audio streaming cell", {"put on some tunes", "play something chill", "play jazz"}},
       }},
      {"Utilities", "wrench.and.screwdriver.fill", palette::orange, "Weather, timers, notes, reminders — all ephemeral.",
       {
           {"what's the weather in Tokyo", "Weather via REST API — anonymous, no tracking",
            {"is it going to rain?", "do I need a jacket?", "temperature outside"}},
           {"set a timer for 5 minutes", "Countdown timer — no background process",
            {"timer 30 seconds", "pomodoro", "25 minute focus timer"}},
           {"write a note", "Ephemeral notepad — dissolves completely",
            {"jot this down", "take a note", "blank page", "scratch paper"}},
           {"check my calendar", "Today's schedule from CalDAV",
            {"what's on my schedule?", "any meetings today?", "show my day"}},
           {"remind me to stretch", "Quick reminder — local only",
            {"don't let me forget to buy milk", "reminder: call dentist"}},
       }},
      {"System Controls", "gearshape.2.fill", palette::gray, "Just say it — no settings app needed.",
       {
           {"turn up the volume", "Raise the volume", {"make it louder", "crank it up", "I can't hear anything"}},
           {"mute", "Mute audio instantly", {"shh", "quiet", "silence", "too loud"}},
           {"max volume", "Set volume to maximum", {"full volume", "all the way up"}},
           {"lock my computer", "Lock the screen", {"lock screen", "lock it"}},
           {"sleep", "Put the system to sleep", {"go to sleep", "put it to sleep"}},
       }},
      {"Privacy & Security", "lock.shield.fill", palette::green, "Everything dissolves. Nothing persists.",
       {
           {"is my data safe?", "Learn about Kivari privacy",
            {"how does privacy work?", "do you track me?", "cookies?"}},
       }},
  };
}

}  // namespace

const std::vector<CatalogSection>& sections() {
  static const std::vector<CatalogSection> table = build();
  return table;
}

std::vector<std::string> shownWays(const CatalogEntry& entry) {
  const auto count = std::min(entry.ways.size(), kMaxWaysShown);
  return {entry.ways.begin(), entry.ways.begin() + static_cast<std::ptrdiff_t>(count)};
}

}  // namespace kivari::catalog
