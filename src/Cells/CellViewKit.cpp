#include "Cells/CellViewKit.h"

#include "Core/Text.h"
#include "Ui/Widgets.h"

#include <algorithm>

namespace kivari::cellkit {

namespace {

void addRule(Gtk::Widget& widget, const std::string& rule) {
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data("* { " + rule + " }");
  widget.get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
}

// Longest run of bytes with no blank between them.
std::size_t longestUnbrokenRun(std::string_view text) {
  std::size_t longest = 0, run = 0;
  for (const char c : text) {
    run = (c == ' ' || c == '\n' || c == '\t') ? 0 : run + 1;
    longest = std::max(longest, run);
  }
  return longest;
}

// Breaking a line by word looks at all of a word for each line it fills,
// which takes seconds for one unbroken word of some thousand characters;
// text like that is broken anywhere instead, which is as fast as it gets.
Gtk::WrapMode wrapModeFor(std::string_view text) {
  constexpr std::size_t kLongestWordWrapped = 256;
  return longestUnbrokenRun(text) > kLongestWordWrapped ? Gtk::WrapMode::CHAR : Gtk::WrapMode::WORD_CHAR;
}

}  // namespace

void tint(Gtk::Widget& widget, const Rgba& color) { addRule(widget, "color: " + color.css() + ";"); }

void fill(Gtk::Widget& widget, const Rgba& color) {
  addRule(widget, "background-color: " + color.css() + ";");
}

void hideFromAssistiveTech(Gtk::Widget& widget) {
  gtk_accessible_update_state(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
}

Gtk::Label* label(const std::string& text, const char* cssClass) {
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->set_use_markup(false);
  l->add_css_class(cssClass);
  return l;
}

Gtk::Widget* flexibleSpace(Gtk::Orientation orientation) {
  auto* space = Gtk::make_managed<Gtk::Box>();
  if (orientation == Gtk::Orientation::VERTICAL) {
    space->set_vexpand(true);
  } else {
    space->set_hexpand(true);
  }
  return space;
}

Gtk::Label* footer(const std::string& text) {
  auto* line = label(text, "cell-footer");
  line->set_margin_bottom(12);
  return line;
}

TextArea::TextArea(const char* accessibleName, const std::string& placeholder) {
  add_css_class("text-area");
  view_.set_wrap_mode(Gtk::WrapMode::WORD_CHAR);
  view_.set_accepts_tab(false);
  setAccessibleLabel(view_, accessibleName);
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller_.set_child(view_);
  set_child(scroller_);

  placeholder_.set_text(placeholder);
  placeholder_.add_css_class("text-area-placeholder");
  placeholder_.set_halign(Gtk::Align::START);
  placeholder_.set_valign(Gtk::Align::START);
  placeholder_.set_can_target(false);
  // The field's own name already says it; the hint is for the eye.
  hideFromAssistiveTech(placeholder_);
  placeholder_.set_visible(!placeholder.empty());
  add_overlay(placeholder_);

  more_.set_text("\u2026");
  more_.add_css_class("text-area-placeholder");
  more_.set_halign(Gtk::Align::END);
  more_.set_valign(Gtk::Align::END);
  more_.set_can_target(false);
  more_.set_visible(false);
  add_overlay(more_);

  view_.get_buffer()->signal_changed().connect([this] {
    auto buffer = view_.get_buffer();
    placeholder_.set_visible(!placeholder_.get_text().empty() && buffer->size() == 0);
    const auto mode = wrapModeFor(buffer->get_text(buffer->begin(), buffer->end(), true).raw());
    if (view_.get_wrap_mode() != mode) view_.set_wrap_mode(mode);
    changed_.emit();
  });
}

std::string TextArea::text() const {
  auto buffer = view_.get_buffer();
  return buffer->get_text(buffer->begin(), buffer->end(), true).raw() + tail_;
}

void TextArea::setText(const std::string& text) {
  const std::size_t cut = text::prefixLength(text, kLongestEditedText);
  tail_ = text.substr(cut);
  more_.set_visible(!tail_.empty());
  const std::string_view head = std::string_view(text).substr(0, cut);
  // Chosen before the text goes in, so it is laid out once.
  view_.set_wrap_mode(wrapModeFor(head));
  view_.get_buffer()->set_text(head.data(), head.data() + head.size());
}

void TextArea::setInset(int pixels) {
  view_.set_left_margin(pixels);
  view_.set_right_margin(pixels);
  view_.set_top_margin(pixels);
  view_.set_bottom_margin(pixels);
  placeholder_.set_margin(pixels);
}

}  // namespace kivari::cellkit
