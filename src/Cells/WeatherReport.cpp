#include "Cells/WeatherReport.h"

namespace kivari {

WeatherReport::WeatherReport(std::string location, Scheduler& scheduler, RandomSource& random)
    : location_(std::move(location)), scheduler_(scheduler), random_(random) {}

WeatherReport::~WeatherReport() {
  if (token_ != 0) scheduler_.cancel(token_);
}

void WeatherReport::start() {
  if (started_) return;
  started_ = true;
  token_ = scheduler_.schedule(kQueryTime, [this] { draw(); });
}

void WeatherReport::draw() {
  token_ = 0;
  temperature_ = kTemperatures[random_.pick(kTemperatures.size())];
  condition_ = std::string(kConditions[random_.pick(kConditions.size())]);
  isLoading_ = false;
  changed_.emit();
}

std::string WeatherReport::temperatureText() const {
  if (!temperature_) return {};
  return std::to_string(*temperature_) + "\u00B0";
}

std::string WeatherReport::locationText() const {
  return location_.empty() ? std::string("Current Location") : location_;
}

std::string WeatherReport::weatherEmoji(std::string_view condition) {
  const auto has = [condition](std::string_view part) {
    return condition.find(part) != std::string_view::npos;
  };
  if (has("Clear") || has("Sunny")) return "\u2600\uFE0F";
  if (has("Cloud")) return "\u2601\uFE0F";
  if (has("Rain")) return "\U0001F327\uFE0F";
  if (has("Snow")) return "\u2744\uFE0F";
  return "\U0001F324\uFE0F";
}

}  // namespace kivari
