#include "Cells/WeatherCellView.h"

#include "Cells/CellViewKit.h"
#include "Ui/CellFrame.h"
#include "Ui/Widgets.h"

namespace kivari {

WeatherCellView::WeatherCellView(const std::string& location, std::function<void()> onDismiss,
                                 Scheduler& scheduler, RandomSource& random)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0), report_(location, scheduler, random) {
  add_css_class("weather-cell");
  append(*Gtk::make_managed<CellHeader>("cloud.sun.fill", palette::yellow, "Weather",
                                        "REST API \u00B7 OpenMeteo DNA", std::move(onDismiss)));
  append(*Gtk::make_managed<Gtk::Separator>());

  loading_.set_vexpand(true);
  loading_.set_valign(Gtk::Align::CENTER);
  spinner_.add_css_class("weather-spinner");
  cellkit::hideFromAssistiveTech(spinner_);  // its label says what is going on
  loading_.append(spinner_);
  loading_.append(*cellkit::label("Querying weather DNA\u2026", "cell-secondary"));
  append(loading_);

  readings_.set_vexpand(true);
  readings_.set_margin(16);
  readings_.set_visible(false);
  readings_.append(*cellkit::flexibleSpace());
  emoji_.add_css_class("weather-emoji");
  readings_.append(emoji_);
  auto* middle = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 4);
  temperature_.add_css_class("weather-temperature");
  condition_.add_css_class("weather-condition");
  middle->append(temperature_);
  middle->append(condition_);
  auto* place = cellkit::label({}, "weather-location");
  showUserText(*place, report_.locationText());
  place->set_justify(Gtk::Justification::CENTER);
  middle->append(*place);
  readings_.append(*middle);
  auto* stats = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 32);
  stats->set_halign(Gtk::Align::CENTER);
  stats->set_margin_top(8);
  for (const auto& [label, value] : WeatherReport::kStats) {
    auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
    column->append(*cellkit::label(std::string(value), "weather-stat-value"));
    column->append(*cellkit::label(std::string(label), "weather-stat-label"));
    stats->append(*column);
  }
  readings_.append(*stats);
  readings_.append(*cellkit::flexibleSpace());
  readings_.append(*cellkit::footer("Cell dissolves on close \u00B7 No location history retained"));
  append(readings_);

  report_.signalChanged().connect([this] { showReadings(); });
  // The spinner turns only while it is on screen; the query starts with the cell.
  signal_map().connect([this] {
    if (report_.isLoading()) spinner_.start();
    report_.start();
  });
}

void WeatherCellView::showReadings() {
  spinner_.stop();
  emoji_.set_text(report_.emoji());
  temperature_.set_text(report_.temperatureText());
  temperature_.set_visible(report_.temperature().has_value());
  condition_.set_text(report_.condition());
  loading_.set_visible(false);
  readings_.set_visible(true);
}

}  // namespace kivari
