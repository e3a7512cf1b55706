#include "Core/Expression.h"

#include "Manifests/ManifestSigner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace kivari {
namespace {

Url url(const char* text) { return *Url::parse(text); }

struct Row {
  Expression expression;
  std::string id;
  std::string name;
  std::string description;
  std::string source;
  std::string detail;
  std::vector<ExpressionCapability> capabilities;
};

TEST(Expression, PerKindTables) {
  const Row rows[] = {
      {Expression::browser(url("https://example.org/a?b=c")), "browser-https://example.org/a?b=c",
       "Browser", "Navigate to example.org", "HTTPS / TLS 1.3",
       "Ephemeral HTTPS session · No cookies persist",
       {{"Network", "Load content from example.org"}}},
      // Not encrypted, and not said to be.
      {Expression::browser(url("http://example.org/")), "browser-http://example.org/", "Browser",
       "Navigate to example.org", "HTTP", "Ephemeral HTTP session · Not encrypted · No cookies persist",
       {{"Network", "Load content from example.org"}}},
      {Expression::message("", "hello"), "message-", "Messages", "Compose a message",
       "iMessage / SMS", "iMessage protocol · Opens native handler",
       {{"Messages", "Open Messages"}}},
      {Expression::message("mom", ""), "message-mom", "Messages", "Message mom", "iMessage / SMS",
       "iMessage protocol · Opens native handler", {{"Messages", "Open Messages to contact mom"}}},
      {Expression::email("", "s", "b"), "email-", "Email", "Compose an email", "IMAP + SMTP",
       "IMAP fetch + SMTP send · No credentials stored", {{"Mail", "Open Mail"}}},
      {Expression::email("a@b.c", "", ""), "email-a@b.c", "Email", "Email a@b.c", "IMAP + SMTP",
       "IMAP fetch + SMTP send · No credentials stored", {{"Mail", "Open Mail to send to a@b.c"}}},
      {Expression::weather(""), "weather-", "Weather", "Current weather", "REST API (OpenMeteo)",
       "Anonymous REST query · No location tracking", {{"Network", "Fetch weather data"}}},
      {Expression::weather("Oslo"), "weather-Oslo", "Weather", "Weather for Oslo",
       "REST API (OpenMeteo)", "Anonymous REST query · No location tracking",
       {{"Network", "Fetch weather data"}}},
      {Expression::timer(90, ""), "timer-90", "Timer", "90s timer", "Local Clock",
       "System clock · No background process after dissolve", {}},
      {Expression::timer(90, "Tea"), "timer-90", "Timer", "Tea — 90s", "Local Clock",
       "System clock · No background process after dissolve", {}},
      {Expression::music(""), "music-", "Music", "Play music", "HTTP Streaming",
       "HTTP audio stream · No library access", {{"Network", "Stream audio content"}}},
      {Expression::music("jazz"), "music-jazz", "Music", "Play \"jazz\"", "HTTP Streaming",
       "HTTP audio stream · No library access", {{"Network", "Stream audio content"}}},
      {Expression::reminder(""), "reminder-", "Reminder", "Reminder: ", "Local Store",
       "Local-only storage · Gone on dissolve", {}},
      {Expression::game("Chess"), "game-Chess", "Chess", "Play Chess", "HTTPS + WebSocket",
       "Game API backbone · Session-only · Cloud sync on dissolve",
       {{"Network", "Connect to game backbone API"}}},
      {Expression::help("what can you do?"), "help-what can you do?", "Assistant",
       "Ask me anything about Kivari", "Local Knowledge", "On-device knowledge · No network needed",
       {}},
      {Expression::notes(), "notes", "Notes", "Ephemeral notepad — dissolves completely",
       "Ephemeral FS", "Local memory only · Zero persistence on dissolve", {}},
      {Expression::calendar(), "calendar", "Calendar", "View today's schedule", "CalDAV",
       "CalDAV read · Dissolves after viewing", {{"Calendar", "Read calendar events"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(row.expression.id(), row.id);
    EXPECT_EQ(row.expression.name(), row.name);
    EXPECT_EQ(row.expression.expressionDescription(), row.description);
    EXPECT_EQ(row.expression.dnaSource(), row.source);
    EXPECT_EQ(row.expression.protocolName(), row.source);
    EXPECT_EQ(row.expression.protocolDetail(), row.detail);
    EXPECT_EQ(row.expression.capabilities(), row.capabilities);
    EXPECT_TRUE(row.expression.isVerified());
    EXPECT_TRUE(row.expression.isSystemExpression());
  }
}

TEST(Expression, AddressWithoutHostFallsBackToWholeAddress) {
  const auto file = Expression::browser(url("file:///tmp/page.html"));
  EXPECT_EQ(file.expressionDescription(), "Navigate to file:///tmp/page.html");
  EXPECT_EQ(file.capabilities(),
            (std::vector<ExpressionCapability>{{"Network", "Load content from the web"}}));
}

TEST(Expression, ManifestCellTakesItsTextsFromTheManifest) {
  auto manifest = testing::sampleManifest();
  const auto unsigned_ = Expression::bundled(manifest);
  EXPECT_EQ(unsigned_.id(), "bundled-calculator");
  EXPECT_EQ(unsigned_.name(), "Calculator");
  EXPECT_EQ(unsigned_.expressionDescription(), "Quick arithmetic");
  EXPECT_EQ(unsigned_.dnaSource(), "Local Manifest");
  EXPECT_EQ(unsigned_.protocolDetail(), "Sandboxed local execution · No network");
  EXPECT_EQ(unsigned_.capabilities(),
            (std::vector<ExpressionCapability>{{"Compute", "Evaluate expressions locally"}}));
  EXPECT_FALSE(unsigned_.isVerified());
  EXPECT_FALSE(unsigned_.isSystemExpression());

  manifest.capabilities.clear();
  EXPECT_TRUE(Expression::bundled(manifest).capabilities().empty());

  const auto keys = ManifestSigner::generateKeyPair();
  manifest.publisher = ExpressionManifest::Publisher{"Kivari", keys.publicKeyBase64};
  manifest.signature = ManifestSigner::sign(manifest, keys.privateKey);
  EXPECT_TRUE(Expression::bundled(manifest).isVerified());
}

TEST(Expression, EqualityIsByCaseAndEveryPayloadField) {
  EXPECT_EQ(Expression::notes(), Expression::notes());
  EXPECT_NE(Expression::notes(), Expression::calendar());
  // Same id, different prefill: not the same cell.
  const auto a = Expression::message("mom", "hi");
  const auto b = Expression::message("mom", "bye");
  EXPECT_EQ(a.id(), b.id());
  EXPECT_NE(a, b);
  EXPECT_NE(Expression::timer(60, ""), Expression::timer(60, "Tea"));
  EXPECT_NE(Expression::weather("x"), Expression::music("x"));

  auto signedManifest = testing::sampleManifest();
  signedManifest.signature = "AAAA";
  EXPECT_NE(Expression::bundled(testing::sampleManifest()), Expression::bundled(signedManifest));
}

}  // namespace
}  // namespace kivari
