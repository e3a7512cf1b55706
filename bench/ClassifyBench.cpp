#include "Help/HelpResponse.h"
#include "Intent/Extractors.h"
#include "Intent/IntentClassifier.h"
#include "Intent/Suggestions.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using kivari::ManifestRegistry;
using kivari::IntentClassifier::classify;

// The requests the prompt suggests, as a user would submit them.
const std::vector<std::string> kSuggestionExamples = [] {
  std::vector<std::string> examples;
  for (const auto& row : kivari::IntentClassifier::suggestions()) examples.push_back(row.example);
  return examples;
}();

// Requests no rule recognises: the slowest road, through every rule.
const std::vector<std::string> kFallThrough = {
    "purple elephant",
    "the quick brown fox jumps over the lazy dog",
    "banana bread with walnuts",
    "xyzzy",
    "a long walk on the beach at dawn",
    "Grüße aus Köln und Zürich",
};

const ManifestRegistry& emptyRegistry() {
  static const ManifestRegistry registry(std::nullopt);
  return registry;
}

void classifyAll(benchmark::State& state, const std::vector<std::string>& texts) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(classify(texts[i], emptyRegistry()));
    i = (i + 1) % texts.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ClassifySuggestions(benchmark::State& state) { classifyAll(state, kSuggestionExamples); }
void BM_ClassifyFallThrough(benchmark::State& state) {
  for (const auto& text : kFallThrough) {
    if (!classify(text, emptyRegistry()).isEmpty()) {
      state.SkipWithError(("recognised: " + text).c_str());
      return;
    }
  }
  classifyAll(state, kFallThrough);
}

// One benchmark per request, to find the slow ones.
void BM_ClassifyOne(benchmark::State& state, const std::string& text) {
  for (auto _ : state) benchmark::DoNotOptimize(classify(text, emptyRegistry()));
}

// Help questions at the edges of the knowledge base's rules, hits and misses.
const std::vector<std::string> kHelpQuestions = {
    "How do I turn up the volume?", "how does this work", "How does this OS work?", "show my calendar",
    "what's the weather", "Can I play chess?", "How do I play music?", "how do i listen to music",
    "How do I email a presentation?", "how do i schedule a meeting", "where is my document",
    "where is the weather", "Is my data safe?", "Thanks", "Thank You", "thanks!", " thanks", "how are you",
    "  how are you", "How can I mute?", "HELP", "",
};

// Per question; the median over repetitions is the figure to read.
void BM_HelpFind(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(kivari::HelpResponse::find(kHelpQuestions[i]));
    i = (i + 1) % kHelpQuestions.size();
  }
  state.SetItemsProcessed(state.iterations());
}

// A pasted megabyte: the line must still be understood (or not) within 50 ms.
void BM_ClassifyMegabyte(benchmark::State& state) {
  std::string line;
  for (int i = 0; line.size() < (1u << 20); ++i) line += "play some jazz w" + std::to_string(i) + " ";
  for (auto _ : state) benchmark::DoNotOptimize(classify(line, emptyRegistry()));
}

// The extractors' worst cases, a megabyte and 16 KB of each: digit runs
// before a unit, lazy names over repeated verbs. Each must run within 250 ms.
void BM_ExtractorsWorstCase(benchmark::State& state, const std::string& unit, bool tail) {
  using namespace kivari::IntentClassifier;
  std::string line;
  while (line.size() < (1u << 20)) line += unit;
  if (tail) line = line.substr(0, 16 * 1024 - 20) + " 5 min timer";
  for (auto _ : state) {
    benchmark::DoNotOptimize(normalizeURL(line));
    benchmark::DoNotOptimize(extractURL(line));
    if (auto query = extractSearchQuery(line)) benchmark::DoNotOptimize(searchURL(*query));
    benchmark::DoNotOptimize(extractTimerIntent(line));
    benchmark::DoNotOptimize(extractGameIntent(line));
    benchmark::DoNotOptimize(extractReminderIntent(line));
    benchmark::DoNotOptimize(extractMessageIntent(line));
    benchmark::DoNotOptimize(extractEmailIntent(line));
  }
}

const bool kWorstCasesRegistered = [] {
  for (const std::string unit : {"1", "text ", "timer for 1", "play game ", "a.", "count down "}) {
    for (const bool tail : {false, true}) {
      const std::string name = "BM_ExtractorsWorstCase/\"" + unit + "\"" + (tail ? "/16KB+timer" : "/1MB");
      benchmark::RegisterBenchmark(name.c_str(), BM_ExtractorsWorstCase, unit, tail)
          ->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

BENCHMARK(BM_ClassifySuggestions);
BENCHMARK(BM_ClassifyMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassifyFallThrough);
BENCHMARK(BM_HelpFind)->Repetitions(9)->ReportAggregatesOnly(true);

const bool kRegistered = [] {
  for (const auto* list : {&kSuggestionExamples, &kFallThrough}) {
    for (const auto& text : *list) {
      benchmark::RegisterBenchmark(("BM_ClassifyOne/" + text).c_str(), BM_ClassifyOne, text);
    }
  }
  return true;
}();

}  // namespace
