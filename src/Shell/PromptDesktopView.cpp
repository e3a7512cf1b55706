#include "Shell/PromptDesktopView.h"

#include "Shell/LayerPlan.h"
#include "Ui/ClockText.h"

#include <algorithm>

namespace kivari {

PromptDesktopView::PromptDesktopView(AppState& state, PromptDesktopModel& model,
                                     Scheduler& scheduler)
    : state_(state),
      model_(model),
      suggestionsFade_(suggestions_, kSuggestionFadeMs, easeOut,
                       [this](double level) { suggestions_.set_opacity(level); }) {
  readAsGroup(*this);
  set_hexpand(true);
  set_vexpand(true);

  // One third of the free height above the content, two thirds below.
  auto* top = Gtk::make_managed<Gtk::Box>();
  top->set_vexpand(true);
  auto* bottom = Gtk::make_managed<Gtk::Box>();
  bottom->set_vexpand(true);
  auto* bottom2 = Gtk::make_managed<Gtk::Box>();
  bottom2->set_vexpand(true);
  column_.append(*top);
  column_.append(content_);
  column_.append(*bottom);
  column_.append(*bottom2);
  column_.set_homogeneous(false);
  set_child(column_);

  time_.add_css_class("clock-time");
  date_.add_css_class("clock-date");
  clock_.append(time_);
  clock_.append(date_);
  content_.append(clock_);

  question_.set_text("What would you like to do?");
  question_.add_css_class("question");
  questionGroup_.append(question_);

  bar_.add_css_class("prompt-bar");
  auto* sparkle = makeSymbol("sparkle");
  sparkle->add_css_class("sparkle");
  bar_.append(*sparkle);
  field_.set_hexpand(true);
  field_.set_has_frame(false);
  setAccessibleLabel(field_, "Request");
  // The rotating placeholder is a label of its own: changing an entry's own
  // placeholder restarts its cursor blink, which would then never settle.
  placeholder_.add_css_class("placeholder");
  placeholder_.set_xalign(0);
  placeholder_.set_can_target(false);
  placeholder_.set_ellipsize(Pango::EllipsizeMode::END);
  fieldStack_.set_child(field_);
  fieldStack_.add_overlay(placeholder_);
  fieldStack_.set_hexpand(true);
  bar_.append(fieldStack_);
  spinner_.set_visible(false);
  bar_.append(spinner_);
  barBin_.setChild(bar_);
  questionGroup_.append(barBin_);
  content_.append(questionGroup_);

  suggestions_.add_css_class("suggestions");
  suggestions_.set_visible(false);
  add_overlay(suggestions_);
  signal_get_child_position().connect(sigc::mem_fun(*this, &PromptDesktopView::placeSuggestions),
                                      false);

  auto* catalogLabel = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  catalogLabel->append(*makeSymbol("dna"));
  catalogLabel->append(*Gtk::make_managed<Gtk::Label>("Cell Catalog"));
  catalogButton_.set_child(*catalogLabel);
  setAccessibleLabel(catalogButton_, "Cell Catalog");
  catalogButton_.add_css_class("catalog-button");
  catalogButton_.set_tooltip_text("Browse all available cells");
  catalogButton_.set_halign(Gtk::Align::END);
  catalogButton_.set_valign(Gtk::Align::END);
  catalogButton_.set_margin_end(20);
  catalogButton_.set_margin_bottom(24);
  catalogButton_.set_focus_on_click(false);
  catalogButton_.signal_clicked().connect([this] { state_.toggleCatalog(); });
  add_overlay(catalogButton_);

  field_.signal_changed().connect(sigc::mem_fun(*this, &PromptDesktopView::onFieldChanged));
  field_.signal_activate().connect(sigc::mem_fun(*this, &PromptDesktopView::onActivate));
  connections_.push_back(state_.signalIntentTextChanged().connect(
      sigc::mem_fun(*this, &PromptDesktopView::onStateTextChanged)));
  connections_.push_back(state_.signalIsThinkingChanged().connect([this] {
    spinner_.set_visible(state_.isThinking());
    spinner_.set_spinning(state_.isThinking());
  }));
  connections_.push_back(model_.signalChanged().connect([this] {
    refreshPlaceholder();
    refreshSuggestions();
  }));

  // The desktop is shown before it has a window; take the keyboard once it does.
  signal_map().connect([this] {
    if (isShown_ && get_can_focus()) takeFocus();
  });

  clockTask_ = std::make_unique<RepeatingTask>(scheduler, Scheduler::Duration{30000},
                                               [this] { refreshClock(); });
  clockTask_->start();
  refreshClock();
  refreshPlaceholder();
  syncing_ = true;
  field_.set_text(state_.intentText());
  syncing_ = false;
}

PromptDesktopView::~PromptDesktopView() {
  for (auto& c : connections_) c.disconnect();
}

void PromptDesktopView::shown() {
  isShown_ = true;
  model_.desktopShown();
  // Text typed in the compact bar shows here, but opens no list until edited.
  syncing_ = true;
  if (field_.get_text().raw() != state_.intentText()) field_.set_text(state_.intentText());
  syncing_ = false;
}

void PromptDesktopView::takeFocus() {
  if (field_.get_root() == nullptr) return;
  // A plain grab would select the text, and the next key would replace it.
  field_.grab_focus_without_selecting();
  field_.set_position(-1);
}

void PromptDesktopView::hidden() {
  isShown_ = false;
  model_.desktopHidden();
}

void PromptDesktopView::refreshClock() {
  const ClockText text = formatClock(std::chrono::system_clock::now());
  time_.set_text(text.time);
  date_.set_text(text.date);
}

void PromptDesktopView::refreshPlaceholder() {
  placeholder_.set_text(model_.placeholder());
  placeholder_.set_visible(field_.get_text().empty());
  gtk_accessible_update_property(GTK_ACCESSIBLE(field_.gobj()), GTK_ACCESSIBLE_PROPERTY_PLACEHOLDER,
                                 model_.placeholder().c_str(), -1);
}

void PromptDesktopView::refreshSuggestions() {
  auto rows = model_.visibleSuggestions(state_.intentText());
  if (rows.empty()) {
    // The rows stay as they were while the list fades away.
    if (!suggestions_.get_visible()) return;
    suggestions_.set_can_target(false);
    suggestions_.set_can_focus(false);
    shownRows_.clear();
    suggestionsFade_.to(0, true, [this] { suggestions_.set_visible(false); });
    return;
  }
  const bool same = rows.size() == shownRows_.size() &&
                    std::equal(rows.begin(), rows.end(), shownRows_.begin(),
                               [](const auto& a, const auto& b) { return a.example == b.example; });
  if (!same) {
    shownRows_ = rows;
    while (auto* child = suggestions_.get_first_child()) suggestions_.remove(*child);
    for (const auto& row : shownRows_) {
      auto* button = Gtk::make_managed<Gtk::Button>();
      button->add_css_class("suggestion-row");
      button->set_focus_on_click(false);
      setAccessibleLabel(*button, row.label);
      auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 0);
      auto* label = Gtk::make_managed<Gtk::Label>(row.label);
      label->add_css_class("suggestion-label");
      label->set_hexpand(true);
      label->set_xalign(0);
      auto* tag = Gtk::make_managed<Gtk::Label>(row.proto);
      tag->add_css_class("proto-tag");
      content->append(*label);
      content->append(*tag);
      button->set_child(*content);
      button->signal_clicked().connect([this, example = row.example] {
        state_.setIntentText(example);
        model_.submitted();
        state_.submit();
      });
      suggestions_.append(*button);
    }
  }
  suggestions_.set_can_target(true);
  suggestions_.set_can_focus(true);
  if (!suggestions_.get_visible()) {
    suggestionsFade_.to(0, false);
    suggestions_.set_visible(true);
  }
  suggestionsFade_.to(1);
}

void PromptDesktopView::onFieldChanged() {
  placeholder_.set_visible(field_.get_text().empty());
  if (syncing_) return;
  state_.setIntentText(field_.get_text().raw());
}

void PromptDesktopView::onStateTextChanged() {
  if (field_.get_text().raw() != state_.intentText()) {
    syncing_ = true;
    field_.set_text(state_.intentText());
    field_.set_position(-1);
    syncing_ = false;
  }
  if (isShown_) {
    model_.textChanged(state_.intentText());
    refreshSuggestions();
  }
}

void PromptDesktopView::onActivate() {
  state_.submit();
  model_.submitted();
}

bool PromptDesktopView::placeSuggestions(Gtk::Widget* widget, Gdk::Rectangle& allocation) {
  if (widget != &suggestions_) return false;
  // Hang the list 56 below the bar's top edge, as wide as the bar.
  graphene_rect_t bounds;
  if (!gtk_widget_compute_bounds(GTK_WIDGET(bar_.gobj()), GTK_WIDGET(gobj()), &bounds)) return false;
  int minimum = 0, natural = 0, b1 = 0, b2 = 0;
  const int width = static_cast<int>(bounds.size.width);
  suggestions_.measure(Gtk::Orientation::VERTICAL, width, minimum, natural, b1, b2);
  allocation = Gdk::Rectangle(static_cast<int>(bounds.origin.x),
                              static_cast<int>(bounds.origin.y) + 56, width, natural);
  return true;
}

}  // namespace kivari
