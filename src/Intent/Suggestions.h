#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the idle prompt field offers: rows under the field while typing, and
// the texts the empty field cycles through.
namespace kivari::IntentClassifier {

struct IntentSuggestion {
  // A fresh id each time; it only tells list rows apart.
  IntentSuggestion(std::string example, std::string label, std::string proto);

  std::string id;
  std::string example;  // submitted when the row is chosen
  std::string label;    // what the row says the request does
  std::string proto;    // protocol tag at the row's right

  // Rows are the same request when they submit the same text.
  bool operator==(const IntentSuggestion& other) const { return example == other.example; }
};

// Built once; ids stay the same for the whole run.
const std::vector<IntentSuggestion>& suggestions();
const std::vector<std::string>& placeholders();

// The rows, in table order, whose example or else label holds the typed text
// in any letter case. The text is taken as typed: only the empty text keeps
// every row, a blank keeps the rows that hold a blank.
std::vector<IntentSuggestion> filteredSuggestions(std::string_view typed);

}  // namespace kivari::IntentClassifier
