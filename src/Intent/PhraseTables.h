#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Core/ProductivityCategory.h"
#include "Intent/ClassifiedIntent.h"

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

// The tables, in the order they are tried. Sizes are deduced from the
// phrases so a dropped line can never leave an empty phrase behind, which as
// a substring would match every request.
namespace phrases {

// Colloquial requests, each compared with the whole text.
inline constexpr std::string_view kBored[] = {"i'm bored", "im bored", "bored", "entertain me",
                                              "i need something to do"};
inline constexpr std::string_view kBoredGames[] = {"Candy Crush", "Chess", "Tetris", "Solitaire",
                                                   "2048"};
inline constexpr std::string_view kTooLoud[] = {"too loud", "it's too loud", "way too loud"};
inline constexpr std::string_view kQuiet[] = {"shh",     "shhh",    "quiet",
                                              "shut up", "silence", "be quiet"};
inline constexpr std::string_view kCantHear[] = {"i can't hear", "can't hear anything",
                                                 "i can't hear anything", "no sound"};
inline constexpr std::string_view kCallFamily[] = {"call mom", "call dad"};
inline constexpr std::string_view kThanks[] = {"thanks", "thank you", "thx", "ty"};

inline constexpr std::string_view kCalendarEvent[] = {
    "cal invite",          "cal event",       "calendar invite", "calendar event",
    "add a cal",           "create an event", "new event",       "schedule with",
    "invite to a meeting", "meeting invite",  "add to calendar", "create a meeting",
    "book a meeting",      "set up a meeting"};
inline constexpr std::string_view kSpreadsheet[] = {
    "spreadsheet", "excel", "google sheets", "make a sheet", "new sheet", "create a spreadsheet"};
inline constexpr std::string_view kPresentation[] = {"presentation", "slides",     "powerpoint",
                                                     "keynote",      "slide deck", "make a deck",
                                                     "create slides"};
inline constexpr std::string_view kDocument[] = {"write a document", "new document",
                                                 "create a doc",     "word doc",
                                                 "google doc",       "make a document"};
inline constexpr std::string_view kVideoCall[] = {"video call",     "start a call", "zoom call",
                                                  "google meet",    "facetime",     "video chat",
                                                  "start a meeting"};

struct CategoryPhrases {
  ProductivityCategory category;
  std::span<const std::string_view> phrases;
};
// Not the declaration order of the categories: meeting invitations must be
// seen before the video-call phrases ("set up a meeting").
inline constexpr CategoryPhrases kProductivity[] = {
    {ProductivityCategory::calendarEvent, kCalendarEvent},
    {ProductivityCategory::spreadsheet, kSpreadsheet},
    {ProductivityCategory::presentation, kPresentation},
    {ProductivityCategory::document, kDocument},
    {ProductivityCategory::videoCall, kVideoCall}};

inline constexpr std::string_view kNotes[] = {
    "write a note",       "new note",      "notepad",      "notes",
    "jot something down", "scratch pad",   "scratchpad",   "take a note",
    "quick note",         "jot this down", "open notepad", "i need to write something",
    "blank page",         "scratch paper"};

inline constexpr std::string_view kWeather[] = {"weather",
                                                "forecast",
                                                "temperature",
                                                "how hot",
                                                "how cold",
                                                "is it raining",
                                                "will it rain",
                                                "what's it like outside",
                                                "going to rain",
                                                "is it cold",
                                                "is it warm",
                                                "do i need a jacket",
                                                "do i need an umbrella",
                                                "outside temperature"};
inline constexpr std::string_view kWeatherLocationMarkers[] = {"weather in ",     "weather for ",
                                                               "forecast for ",   "forecast in ",
                                                               "temperature in ", "weather at "};

inline constexpr std::string_view kMusic[] = {
    "play music",       "play some music", "play a song",          "listen to music",
    "put on music",     "music player",    "play something",       "put on some tunes",
    "i want to listen", "play some tunes", "play something chill", "play jazz",
    "play lo-fi",       "play lofi",       "play classical",       "play ambient"};
inline constexpr std::string_view kMusicQueryPrefixes[] = {"play ", "listen to ", "put on "};
// What follows a music verb without naming anything to search for.
inline constexpr std::string_view kMusicGeneralWords[] = {"music", "some music", "a song",
                                                          "something"};

inline constexpr std::string_view kCalendar[] = {"calendar",
                                                 "schedule",
                                                 "my events",
                                                 "today's events",
                                                 "what's on my schedule",
                                                 "what do i have today",
                                                 "meetings today",
                                                 "any meetings",
                                                 "my agenda",
                                                 "do i have anything today",
                                                 "what's next",
                                                 "next meeting",
                                                 "upcoming meetings",
                                                 "show my day",
                                                 "what's on today"};

// No blank after an opener: "explaining" begins with "explain".
inline constexpr std::string_view kHelpOpeners[] = {
    "how do i",    "how can i",     "how to",  "how does",       "what can",      "what do",
    "what is",     "what are",      "can i",   "can you",        "could you",     "where do i",
    "where can i", "tell me about", "explain", "is there a way", "is it possible"};
inline constexpr std::string_view kHelpTopics[] = {
    "help",         "tutorial",       "guide",        "getting started", "new here",
    "what is this", "what is kivari", "capabilities", "features",        "thanks",
    "thank you",    "privacy",        "safe",         "secure"};

}  // namespace phrases

}  // namespace kivari::IntentClassifier
