#include "Cells/ReminderCellView.h"

#include "Ui/CellFrame.h"
#include "Ui/Icons.h"
#include "Ui/Widgets.h"

namespace kivari {

namespace {

constexpr int kFieldInset = 16;
constexpr int kFewestLines = 3;
constexpr int kMostLines = 6;

}  // namespace

ReminderCellView::ReminderCellView(const std::string& initialText, std::function<void()> onDismiss,
                                   Scheduler& cellScheduler)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0), note_(initialText, cellScheduler, onDismiss) {
  add_css_class("reminder-cell");
  append(*Gtk::make_managed<CellHeader>("checklist", palette::cyan, "Reminder", "Local Store DNA",
                                        std::move(onDismiss)));
  append(*Gtk::make_managed<Gtk::Separator>());

  auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 20);
  content->set_vexpand(true);
  content->set_margin(16);
  auto* top = Gtk::make_managed<Gtk::Box>();
  top->set_vexpand(true);
  content->append(*top);

  status_ = makeSymbol("bell.badge");
  status_->add_css_class("reminder-status");
  status_->set_pixel_size(44);
  // The noted line says in words what the symbol shows.
  cellkit::hideFromAssistiveTech(*status_);
  content->append(*status_);

  area_.add_css_class("reminder-field");
  area_.setInset(kFieldInset);
  area_.set_margin_start(16);
  area_.set_margin_end(16);
  area_.setText(initialText);
  area_.scroller().set_propagate_natural_height(true);
  area_.view().signal_realize().connect([this] { fitField(); });
  area_.signalChanged().connect([this] {
    note_.setText(area_.text());
    refresh();
  });
  content->append(area_);

  set_.add_css_class("suggested-action");
  set_.add_css_class("reminder-set");
  set_.set_halign(Gtk::Align::CENTER);
  setAccessibleLabel(set_, "Set Reminder");
  set_.signal_clicked().connect([this] {
    const bool hadFocus = set_.has_focus();
    if (!note_.confirm()) return;
    refresh();
    // The button is gone; the keyboard stays in the cell, on the field.
    if (hadFocus) area_.view().grab_focus();
  });
  content->append(set_);
  noted_.add_css_class("reminder-noted");
  noted_.set_visible(false);
  content->append(noted_);

  auto* bottom = Gtk::make_managed<Gtk::Box>();
  bottom->set_vexpand(true);
  content->append(*bottom);
  auto* footer = cellkit::label("Local-only \u00b7 Gone on dissolve \u00b7 No sync", "cell-footer");
  footer->set_margin_bottom(12);
  content->append(*footer);
  append(*content);
  refresh();
}

void ReminderCellView::refresh() {
  const bool saved = note_.saved();
  set_.set_visible(!saved);
  set_.set_sensitive(note_.canConfirm());
  noted_.set_visible(saved);
  if (saved && !status_->has_css_class("noted")) {
    status_->set_from_icon_name(iconNameForSymbol("checkmark.circle.fill"));
    status_->add_css_class("noted");
  }
}

// Three lines high at the least and six at the most, in the field's own font.
void ReminderCellView::fitField() {
  int width = 0;
  int lineHeight = 0;
  area_.view().create_pango_layout("Ag")->get_pixel_size(width, lineHeight);
  area_.scroller().set_min_content_height(kFewestLines * lineHeight + 2 * kFieldInset);
  area_.scroller().set_max_content_height(kMostLines * lineHeight + 2 * kFieldInset);
}

}  // namespace kivari
