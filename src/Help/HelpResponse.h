#pragma once

#include "Ui/Palette.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivari {

// One canned help answer: the question as shown back, the answer, example
// requests in display order, and a symbol in its colour.
struct HelpResponse {
  std::string question;
  std::string answer;
  std::vector<std::string> examples;
  std::string icon;
  Rgba color;

  // The answer of the first keyword rule that holds for the question, or none.
  // Only the lower-cased copy is tested; nothing is trimmed.
  static std::optional<HelpResponse> find(std::string_view question);
};

// What the help cell shows for a question: the knowledge base's answer, or
// the general one that keeps the question as it was typed.
HelpResponse helpResponseFor(const std::string& question);

}  // namespace kivari
