#include "Cells/CellViewKit.h"

#include "Ui/Widgets.h"

namespace kivari::cellkit {

namespace {

void addRule(Gtk::Widget& widget, const std::string& rule) {
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data("* { " + rule + " }");
  widget.get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
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

  view_.get_buffer()->signal_changed().connect([this] {
    placeholder_.set_visible(!placeholder_.get_text().empty() && view_.get_buffer()->size() == 0);
    changed_.emit();
  });
}

std::string TextArea::text() const {
  auto buffer = view_.get_buffer();
  return buffer->get_text(buffer->begin(), buffer->end(), true).raw();
}

void TextArea::setText(const std::string& text) { view_.get_buffer()->set_text(text); }

void TextArea::setInset(int pixels) {
  view_.set_left_margin(pixels);
  view_.set_right_margin(pixels);
  view_.set_top_margin(pixels);
  view_.set_bottom_margin(pixels);
  placeholder_.set_margin(pixels);
}

}  // namespace kivari::cellkit
