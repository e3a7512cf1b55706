#pragma once

#include "Cells/RandomSource.h"
#include "Cells/WeatherReport.h"
#include "Core/Scheduler.h"

#include <gtkmm.h>

#include <functional>
#include <string>

namespace kivari {

// The weather card: a labelled spinner while the simulated query runs, then
// the drawn reading with the place and three fixed statistics.
class WeatherCellView : public Gtk::Box {
 public:
  WeatherCellView(const std::string& location, std::function<void()> onDismiss, Scheduler& scheduler,
                  RandomSource& random);

  WeatherReport& report() { return report_; }
  Gtk::Widget& loadingView() { return loading_; }
  Gtk::Widget& readingsView() { return readings_; }

 private:
  void showReadings();

  WeatherReport report_;
  Gtk::Box loading_{Gtk::Orientation::VERTICAL, 8};
  Gtk::Spinner spinner_;
  Gtk::Box readings_{Gtk::Orientation::VERTICAL, 20};
  Gtk::Label emoji_;
  Gtk::Label temperature_;
  Gtk::Label condition_;
};

}  // namespace kivari
