#include "Ui/ClockText.h"

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>

namespace kivari {

namespace {

std::string format(const icu::Locale& locale, const char* skeleton, UDate date,
                   const std::string& timeZone) {
  // ICU crashes on a bogus locale instead of reporting it.
  if (locale.isBogus()) return {};
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::DateTimePatternGenerator> generator(
      icu::DateTimePatternGenerator::createInstance(locale, status));
  if (U_FAILURE(status)) return {};
  const icu::UnicodeString pattern = generator->getBestPattern(skeleton, status);
  if (U_FAILURE(status)) return {};
  icu::SimpleDateFormat formatter(pattern, locale, status);
  if (U_FAILURE(status)) return {};
  if (!timeZone.empty()) {
    formatter.adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZone)));
  }
  icu::UnicodeString text;
  formatter.format(date, text);
  std::string out;
  text.toUTF8String(out);
  return out;
}

}  // namespace

ClockText formatClock(std::chrono::system_clock::time_point when, const std::string& locale,
                      const std::string& timeZone) {
  // "j" is the locale's preferred hour cycle, with its day-period marker.
  return {formatDateSkeleton(when, "jmm", locale, timeZone),
          formatDateSkeleton(when, "EEEEMMMMd", locale, timeZone)};
}

std::string formatDateSkeleton(std::chrono::system_clock::time_point when, const char* skeleton,
                               const std::string& locale, const std::string& timeZone) {
  const icu::Locale icuLocale =
      locale.empty() ? icu::Locale::getDefault() : icu::Locale::createFromName(locale.c_str());
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
  const auto date = static_cast<UDate>(ms.count());
  std::string text = format(icuLocale, skeleton, date, timeZone);
  // A locale ICU cannot use (garbage in LC_ALL, a malformed name) still gets
  // a date: the root locale's.
  if (text.empty()) text = format(icu::Locale::getRoot(), skeleton, date, timeZone);
  return text;
}

bool settleDefaultLocale() {
  if (!icu::Locale::getDefault().isBogus()) return false;
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale::setDefault(icu::Locale::getRoot(), status);
  return U_SUCCESS(status);
}

}  // namespace kivari
