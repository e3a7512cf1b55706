#pragma once

#include "Core/Scheduler.h"
#include "Intent/Suggestions.h"

#include <sigc++/signal.h>

#include <cstddef>
#include <string>
#include <vector>

namespace kivari {

// The prompt desktop's own state: which placeholder shows, and whether the
// suggestion list may hang under the bar. Kept while a cell is open.
class PromptDesktopModel {
 public:
  static constexpr std::size_t kMaxSuggestionRows = 6;
  static constexpr Scheduler::Duration kPlaceholderPeriod{4000};

  explicit PromptDesktopModel(Scheduler& scheduler);

  std::size_t placeholderIndex() const { return placeholderIndex_; }
  const std::string& placeholder() const;
  bool showSuggestions() const { return showSuggestions_; }

  // The desktop came into view or left it: exactly one rotation runs while shown.
  void desktopShown();
  void desktopHidden();
  bool isRotating() const { return rotation_.isRunning(); }

  // The prompt text changed while the desktop is shown.
  void textChanged(const std::string& text);
  // Return was pressed, or a suggestion chosen.
  void submitted();

  // The rows to show for the current text: none while hidden, at most six.
  std::vector<IntentClassifier::IntentSuggestion> visibleSuggestions(const std::string& text) const;

  sigc::signal<void()>& signalChanged() { return changed_; }

 private:
  void advancePlaceholder();
  void setShowSuggestions(bool show);

  std::size_t placeholderIndex_ = 0;
  bool showSuggestions_ = false;
  RepeatingTask rotation_;
  sigc::signal<void()> changed_;
};

}  // namespace kivari
