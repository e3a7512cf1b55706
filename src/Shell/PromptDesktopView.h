#pragma once

#include "Core/AppState.h"
#include "Shell/PromptDesktopModel.h"
#include "Ui/Widgets.h"

#include <gtkmm.h>

#include <memory>
#include <vector>

namespace kivari {

// The idle desktop: clock, question, prompt bar, suggestions and the
// catalog button. Acts only through AppState's text, catalog flag and submit.
class PromptDesktopView : public Gtk::Overlay {
 public:
  PromptDesktopView(AppState& state, PromptDesktopModel& model, Scheduler& scheduler);
  ~PromptDesktopView() override;

  // Called by the root view as the desktop comes into view and leaves it.
  void shown();
  void hidden();
  // Puts the keyboard in the prompt field, its text kept as it is, the cursor at its end.
  void takeFocus();

  Gtk::Entry& promptField() { return field_; }
  Gtk::Box& suggestionList() { return suggestions_; }
  Gtk::Button& catalogButton() { return catalogButton_; }
  Gtk::Label& timeLabel() { return time_; }
  Gtk::Label& placeholderLabel() { return placeholder_; }

 private:
  void refreshClock();
  void refreshPlaceholder();
  void refreshSuggestions();
  void onFieldChanged();
  void onStateTextChanged();
  void onActivate();
  bool placeSuggestions(Gtk::Widget* widget, Gdk::Rectangle& allocation);

  AppState& state_;
  PromptDesktopModel& model_;
  bool isShown_ = false;
  bool syncing_ = false;

  Gtk::Box column_{Gtk::Orientation::VERTICAL, 0};
  Gtk::Box content_{Gtk::Orientation::VERTICAL, 28};
  Gtk::Box clock_{Gtk::Orientation::VERTICAL, 2};
  Gtk::Label time_;
  Gtk::Label date_;
  Gtk::Box questionGroup_{Gtk::Orientation::VERTICAL, 8};
  Gtk::Label question_;
  // Children first: members go in reverse order, and a bin unparents its child.
  Gtk::Box bar_{Gtk::Orientation::HORIZONTAL, 12};
  Gtk::Overlay fieldStack_;
  Gtk::Entry field_;
  Gtk::Label placeholder_;
  Gtk::Spinner spinner_;
  MaxWidthBin barBin_{520};
  Gtk::Box suggestions_{Gtk::Orientation::VERTICAL, 0};
  Tween suggestionsFade_;
  Gtk::Button catalogButton_;
  std::vector<IntentClassifier::IntentSuggestion> shownRows_;
  std::unique_ptr<RepeatingTask> clockTask_;
  std::vector<sigc::connection> connections_;
};

}  // namespace kivari
