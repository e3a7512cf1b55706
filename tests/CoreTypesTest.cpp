#include "Core/AppMode.h"
#include "Core/ProductivityCategory.h"
#include "Core/StatusMessage.h"
#include "Core/Text.h"

#include <gtest/gtest.h>

namespace kivari {
namespace {

TEST(AppMode, EqualityNeedsSameCaseAndPayload) {
  const auto notes = Expression::notes();
  EXPECT_EQ(AppMode::expressing(notes), AppMode::expressing(notes));
  EXPECT_NE(AppMode::expressing(notes), AppMode::capabilityPrompt(notes));
  EXPECT_NE(AppMode::expressing(notes), AppMode::expressing(Expression::calendar()));
  EXPECT_NE(AppMode::dnaPicker(ProductivityCategory::spreadsheet),
            AppMode::dnaPicker(ProductivityCategory::document));
  EXPECT_EQ(AppMode::prompt(), AppMode::prompt());
}

TEST(AppMode, OnlyAnOpenCellIsExpressing) {
  EXPECT_TRUE(AppMode::expressing(Expression::notes()).isExpressing());
  EXPECT_FALSE(AppMode::capabilityPrompt(Expression::notes()).isExpressing());
  EXPECT_FALSE(AppMode::dnaPicker(ProductivityCategory::videoCall).isExpressing());
  EXPECT_FALSE(AppMode::prompt().isExpressing());
}

TEST(ProductivityCategory, TablesAndRawValues) {
  struct Row {
    ProductivityCategory category;
    const char* raw;
    const char* display;
    const char* icon;
    const char* prompt;
  };
  const Row rows[] = {
      {ProductivityCategory::spreadsheet, "spreadsheet", "Spreadsheet", "tablecells",
       "Choose a DNA source for your spreadsheet"},
      {ProductivityCategory::presentation, "presentation", "Presentation",
       "rectangle.on.rectangle.angled", "Choose a DNA source for your presentation"},
      {ProductivityCategory::document, "document", "Document", "doc.text",
       "Choose a DNA source for your document"},
      {ProductivityCategory::videoCall, "videoCall", "Video Call", "video",
       "Choose a DNA source for your video call"},
      {ProductivityCategory::calendarEvent, "calendarEvent", "Calendar Event",
       "calendar.badge.plus", "Choose a DNA source for your calendar event"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.raw);
    EXPECT_EQ(rawValue(row.category), row.raw);
    EXPECT_EQ(displayName(row.category), row.display);
    EXPECT_EQ(icon(row.category), row.icon);
    EXPECT_EQ(prompt(row.category), row.prompt);
    EXPECT_EQ(productivityCategoryFromRaw(row.raw), row.category);
  }
  EXPECT_EQ(productivityCategoryFromRaw("VideoCall"), std::nullopt);
  EXPECT_EQ(productivityCategoryFromRaw("Video Call"), std::nullopt);
  EXPECT_EQ(productivityCategoryFromRaw(""), std::nullopt);
}

TEST(StatusMessage, LinesAreToldApartByIdOnly) {
  const StatusMessage a("Denied", StatusMessage::MessageType::system);
  const StatusMessage b("Denied", StatusMessage::MessageType::system);
  EXPECT_NE(a, b);
  EXPECT_NE(a.id, b.id);
  EXPECT_EQ(a.id.size(), 36u);
  StatusMessage copy = a;
  copy.text = "changed";
  EXPECT_EQ(a, copy);
}

TEST(Text, DisplayPrefixKeepsWholeCharactersUpToTheLimit) {
  EXPECT_EQ(text::displayPrefix("abcdef", 6), "abcdef");
  EXPECT_EQ(text::displayPrefix("abcdef", 5), "abcde\u2026");
  EXPECT_EQ(text::displayPrefix("abc", 0), "\u2026");
  EXPECT_EQ(text::displayPrefix("", 0), "");
  // Counted in user-perceived characters, never cut inside one.
  EXPECT_EQ(text::displayPrefix("\u00e9\u00e9\u00e9", 3), "\u00e9\u00e9\u00e9");
  EXPECT_EQ(text::displayPrefix("\u00e9\u00e9\u00e9", 2), "\u00e9\u00e9\u2026");
  EXPECT_EQ(text::displayPrefix("e\u0301e\u0301e\u0301", 2), "e\u0301e\u0301\u2026");
  const std::string family = "\U0001F469\u200D\U0001F469\u200D\U0001F467";
  EXPECT_EQ(text::displayPrefix("a" + family + "b", 2), "a" + family + "\u2026");
  EXPECT_EQ(text::displayPrefix("\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA", 1), "\U0001F1EB\U0001F1F7\u2026");
  EXPECT_EQ(text::displayPrefix("a\r\nb", 2), "a\r\n\u2026");
  EXPECT_EQ(text::displayPrefix("\xff\xff" "abc", 3), "\xff\xff" "a\u2026");
  // Only the start of a text of any length is walked; the cut is a boundary.
  std::string longText;
  for (int i = 0; i < 500000; ++i) longText += "\u00e9";
  EXPECT_EQ(text::prefixLength(longText, 500), 1000u);
  EXPECT_EQ(text::prefixLength(longText, 500000), longText.size());
}

}  // namespace
}  // namespace kivari


namespace kivari {
namespace {

TEST(Text, LowerCasingIsTheDefaultUnicodeMapping) {
  const std::pair<const char*, const char*> cases[] = {
      {"HELLO World", "hello world"},
      {"ÀÉÎÕÜ ÆØÅ", "àéîõü æøå"},
      {"İstanbul", "i\u0307stanbul"},     // not the Turkish dotless rules
      {"ΟΔΟΣ ΟΔΟΣ.", "οδος οδος."},       // word-final sigma
      {"ΣΑΣ", "σας"},
      {"Σ", "σ"},                          // alone: no cased letter before it
      {"ΑΣ'Α", "ασ'α"},                    // apostrophe is skipped: a letter follows
      {"ＡＢＣ", "ａｂｃ"},
      {"\xff" "A", "\ufffd" "a"},          // stray bytes become replacements
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(text::lowercased(in), out) << in;
}

TEST(Text, TrimsUnicodeWhiteSpaceOnly) {
  EXPECT_EQ(text::trimmed(" \t\n\u00a0\u3000mute\u2028\r "), "mute");
  EXPECT_EQ(text::trimmed("a b"), "a b");
  EXPECT_EQ(text::trimmed("\xff "), "\xff");
  EXPECT_EQ(text::trimmed(" \n "), "");
}

}  // namespace
}  // namespace kivari
