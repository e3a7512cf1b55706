#include "Cells/CalendarCellView.h"

#include "Cells/CalendarAgenda.h"
#include "Cells/CellViewKit.h"
#include "Ui/CellFrame.h"

namespace kivari {

namespace {

Gtk::Widget* eventRow(const CalendarEvent& event) {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 12);
  row->add_css_class("calendar-row");
  row->set_margin_top(8);
  row->set_margin_bottom(8);
  row->set_margin_start(12);
  row->set_margin_end(12);

  auto* time = cellkit::label(event.time, "calendar-time");
  time->set_size_request(72, -1);
  time->set_xalign(1);
  row->append(*time);

  auto* mark = Gtk::make_managed<Gtk::Box>();
  mark->add_css_class("calendar-mark");
  mark->set_size_request(3, -1);
  cellkit::fill(*mark, calendarSourceColor(event.source));
  cellkit::hideFromAssistiveTech(*mark);
  row->append(*mark);

  auto* text = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  auto* title = cellkit::label(event.title, "calendar-title");
  title->set_xalign(0);
  auto* source = cellkit::label(event.source, "calendar-source");
  source->set_xalign(0);
  text->append(*title);
  text->append(*source);
  text->set_hexpand(true);
  row->append(*text);
  return row;
}

}  // namespace

CalendarCellView::CalendarCellView(std::function<void()> onDismiss, const Clock& now)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0) {
  add_css_class("calendar-cell");
  append(*Gtk::make_managed<CellHeader>("calendar", palette::red, "Calendar", "CalDAV DNA",
                                        std::move(onDismiss)));
  append(*Gtk::make_managed<Gtk::Separator>());

  auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 16);
  content->set_vexpand(true);

  auto* dateRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  dateRow->set_margin_start(16);
  dateRow->set_margin_end(16);
  dateRow->set_margin_top(12);
  auto* dates = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  dates->set_hexpand(true);
  const CalendarDateLines lines = calendarDateLines(now());
  weekday_.set_text(lines.weekday);
  weekday_.add_css_class("calendar-weekday");
  weekday_.set_xalign(0);
  date_.set_text(lines.date);
  date_.add_css_class("calendar-date");
  date_.set_xalign(0);
  dates->append(weekday_);
  dates->append(date_);
  dateRow->append(*dates);
  auto* count = cellkit::label(eventCountText(todayEvents().size()), "calendar-count");
  count->set_valign(Gtk::Align::CENTER);
  dateRow->append(*count);
  content->append(*dateRow);

  // Only the rows scroll; the date row and the footer stay in place.
  auto* rows = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  for (const auto& event : todayEvents()) rows->append(*eventRow(event));
  auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
  scroller->set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller->set_child(*rows);
  scroller->set_vexpand(true);
  content->append(*scroller);

  auto* footer = cellkit::label("CalDAV read-only \u00b7 Dissolves after viewing", "cell-footer");
  footer->set_margin_bottom(8);
  content->append(*footer);
  append(*content);
}

}  // namespace kivari
