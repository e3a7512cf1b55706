#include "Help/HelpCellView.h"

#include "Ui/CellFrame.h"
#include "Ui/Widgets.h"

namespace kivari {

namespace {

Gtk::Label* makeLabel(const std::string& text, const char* cssClass) {
  auto* label = Gtk::make_managed<Gtk::Label>(text);
  label->add_css_class(cssClass);
  label->set_wrap(true);
  label->set_wrap_mode(Pango::WrapMode::WORD_CHAR);
  label->set_xalign(0);
  return label;
}

// Shows a widget in its "entering" look, from which its CSS transition plays.
void enterWithTransition(Gtk::Widget& widget) {
  widget.add_css_class("entering");
  widget.set_visible(true);
  enterFrom(widget, "entering");
}

}  // namespace

HelpCellView::HelpCellView(HelpResponse response, Scheduler& cellScheduler, std::function<void()> onDismiss,
                           std::function<void(const std::string&)> onTryExample)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      response_(std::move(response)),
      onTryExample_(std::move(onTryExample)),
      reveal_(cellScheduler, response_.examples.size(), [this] { sync(); }) {
  add_css_class("help-cell");
  append(*Gtk::make_managed<CellHeader>("questionmark.bubble.fill", palette::cyan, "Kivari", "Assistant",
                                         std::move(onDismiss)));
  append(*Gtk::make_managed<Gtk::Separator>());

  auto* scroll = Gtk::make_managed<Gtk::ScrolledWindow>();
  scroll->set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroll->set_vexpand(true);
  auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 20);
  content->set_margin_start(20);
  content->set_margin_end(20);
  content->set_margin_bottom(20);
  scroll->set_child(*content);
  append(*scroll);

  // The question, pushed to the trailing edge however short it is.
  auto* bubble = makeLabel({}, "help-bubble");
  showUserText(*bubble, response_.question);
  bubble->set_halign(Gtk::Align::END);
  bubble->set_hexpand(true);
  bubble->set_margin_top(16);
  content->append(*bubble);

  answerRow_ = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  answerRow_->add_css_class("help-answer");
  answerRow_->set_visible(false);
  auto* iconFrame = Gtk::make_managed<Gtk::Box>();
  iconFrame->add_css_class("help-icon");
  iconFrame->set_valign(Gtk::Align::START);
  iconFrame->set_halign(Gtk::Align::START);
  iconFrame->set_size_request(32, 32);
  auto* icon = makeSymbol(response_.icon);
  icon->set_halign(Gtk::Align::CENTER);
  icon->set_valign(Gtk::Align::CENTER);
  icon->set_hexpand(true);
  icon->set_vexpand(true);
  iconFrame->set_hexpand(false);  // the centred symbol must not widen the frame
  iconFrame->append(*icon);
  // The answer says it all; the symbol is decoration.
  gtk_accessible_update_state(GTK_ACCESSIBLE(iconFrame->gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
  auto tint = Gtk::CssProvider::create();
  tint->load_from_data(".help-icon { color: " + response_.color.css() +
                       "; background-color: " + response_.color.withAlpha(0.15).css() + "; }");
  iconFrame->get_style_context()->add_provider(tint, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  answerRow_->append(*iconFrame);

  auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
  column->set_hexpand(true);
  column->append(*makeLabel(response_.answer, "help-answer-text"));
  examples_ = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
  examples_->add_css_class("help-examples");
  examples_->set_visible(false);
  examples_->append(*makeLabel("Try saying:", "help-try"));
  examples_->append(flow_);
  column->append(*examples_);
  answerRow_->append(*column);
  content->append(*answerRow_);

  signal_map().connect([this] { reveal_.start(); });
}

void HelpCellView::sync() {
  if (reveal_.showAnswer() && !answerRow_->get_visible()) enterWithTransition(*answerRow_);
  if (reveal_.revealedExamples() > 0 && !examples_->get_visible()) enterWithTransition(*examples_);
  while (chips_.size() < reveal_.revealedExamples()) {
    // Each chip stands for its place in the list: two equal texts are two chips.
    const std::string& text = response_.examples[chips_.size()];
    auto* chip = Gtk::make_managed<Gtk::Button>(text);
    chip->add_css_class("help-chip");
    chip->set_focus_on_click(false);
    setAccessibleLabel(*chip, text.c_str());
    chip->signal_clicked().connect([this, text] { onTryExample_(text); });
    chip->set_visible(false);
    flow_.append(*chip);
    chips_.push_back(chip);
    enterWithTransition(*chip);
  }
}

}  // namespace kivari
