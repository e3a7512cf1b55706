#include "Shell/PromptDesktopModel.h"

namespace kivari {

PromptDesktopModel::PromptDesktopModel(Scheduler& scheduler)
    : rotation_(scheduler, kPlaceholderPeriod, [this] { advancePlaceholder(); }) {}

const std::string& PromptDesktopModel::placeholder() const {
  return IntentClassifier::placeholders()[placeholderIndex_];
}

void PromptDesktopModel::desktopShown() { rotation_.start(); }

void PromptDesktopModel::desktopHidden() {
  if (!rotation_.isRunning()) return;
  rotation_.stop();
  // An interrupted wait still moves on one, so a new placeholder greets the return.
  advancePlaceholder();
}

void PromptDesktopModel::advancePlaceholder() {
  placeholderIndex_ = (placeholderIndex_ + 1) % IntentClassifier::placeholders().size();
  changed_.emit();
}

void PromptDesktopModel::setShowSuggestions(bool show) {
  if (show == showSuggestions_) return;
  showSuggestions_ = show;
  changed_.emit();
}

void PromptDesktopModel::textChanged(const std::string& text) { setShowSuggestions(!text.empty()); }

void PromptDesktopModel::submitted() { setShowSuggestions(false); }

std::vector<IntentClassifier::IntentSuggestion> PromptDesktopModel::visibleSuggestions(const std::string& text) const {
  if (!showSuggestions_) return {};
  auto rows = IntentClassifier::filteredSuggestions(text);
  if (rows.size() > kMaxSuggestionRows) rows.erase(rows.begin() + kMaxSuggestionRows, rows.end());
  return rows;
}

}  // namespace kivari
