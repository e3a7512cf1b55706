#include "Core/Expression.h"

#include "Manifests/ManifestSigner.h"

namespace kivari {

namespace {

template <class... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string Expression::id() const {
  return std::visit(
      Overloaded{
          [](const Bundled& b) { return "bundled-" + b.manifest.id; },
          [](const Browser& b) { return "browser-" + b.url.absoluteString(); },
          [](const Message& m) { return "message-" + m.recipient; },
          [](const Email& e) { return "email-" + e.to; },
          [](const Weather& w) { return "weather-" + w.location; },
          [](const Timer& t) { return "timer-" + std::to_string(t.seconds); },
          [](const Music& m) { return "music-" + m.query; },
          [](const Reminder& r) { return "reminder-" + r.text; },
          [](const Game& g) { return "game-" + g.name; },
          [](const Help& h) { return "help-" + h.question; },
          [](const Notes&) { return std::string("notes"); },
          [](const Calendar&) { return std::string("calendar"); },
      },
      payload_);
}

std::string Expression::name() const {
  return std::visit(Overloaded{
                        [](const Bundled& b) { return b.manifest.name; },
                        [](const Browser&) { return std::string("Browser"); },
                        [](const Message&) { return std::string("Messages"); },
                        [](const Email&) { return std::string("Email"); },
                        [](const Weather&) { return std::string("Weather"); },
                        [](const Timer&) { return std::string("Timer"); },
                        [](const Music&) { return std::string("Music"); },
                        [](const Reminder&) { return std::string("Reminder"); },
                        [](const Game& g) { return g.name; },
                        [](const Help&) { return std::string("Assistant"); },
                        [](const Notes&) { return std::string("Notes"); },
                        [](const Calendar&) { return std::string("Calendar"); },
                    },
                    payload_);
}

std::string Expression::expressionDescription() const {
  return std::visit(
      Overloaded{
          [](const Bundled& b) { return b.manifest.description; },
          [](const Browser& b) {
            return "Navigate to " + b.url.host().value_or(b.url.absoluteString());
          },
          [](const Message& m) {
            return m.recipient.empty() ? std::string("Compose a message") : "Message " + m.recipient;
          },
          [](const Email& e) {
            return e.to.empty() ? std::string("Compose an email") : "Email " + e.to;
          },
          [](const Weather& w) {
            return w.location.empty() ? std::string("Current weather") : "Weather for " + w.location;
          },
          [](const Timer& t) {
            const std::string seconds = std::to_string(t.seconds);
            return t.label.empty() ? seconds + "s timer" : t.label + " \u2014 " + seconds + "s";
          },
          [](const Music& m) {
            return m.query.empty() ? std::string("Play music") : "Play " + quoted(m.query);
          },
          [](const Reminder& r) { return "Reminder: " + r.text; },
          [](const Game& g) { return "Play " + g.name; },
          [](const Help&) { return std::string("Ask me anything about Kivari"); },
          [](const Notes&) { return std::string("Ephemeral notepad \u2014 dissolves completely"); },
          [](const Calendar&) { return std::string("View today's schedule"); },
      },
      payload_);
}

namespace {

// A browser cell on a plain http address: its connection is not encrypted,
// and its lines must not say otherwise.
bool isPlainHttpBrowser(const Expression::Payload& payload) {
  const auto* browser = std::get_if<Expression::Browser>(&payload);
  return browser != nullptr && browser->url.scheme() != "https";
}

}  // namespace

std::string Expression::dnaSource() const {
  if (isPlainHttpBrowser(payload_)) return "HTTP";
  static constexpr const char* kSources[] = {
      "Local Manifest",   "HTTPS / TLS 1.3", "iMessage / SMS", "IMAP + SMTP",
      "REST API (OpenMeteo)", "Local Clock",  "HTTP Streaming", "Local Store",
      "HTTPS + WebSocket", "Local Knowledge", "Ephemeral FS",  "CalDAV",
  };
  return kSources[payload_.index()];
}

std::string Expression::protocolDetail() const {
  if (isPlainHttpBrowser(payload_)) return "Ephemeral HTTP session \u00b7 Not encrypted \u00b7 No cookies persist";
  static constexpr const char* kDetails[] = {
      "Sandboxed local execution \u00b7 No network",
      "Ephemeral HTTPS session \u00b7 No cookies persist",
      "iMessage protocol \u00b7 Opens native handler",
      "IMAP fetch + SMTP send \u00b7 No credentials stored",
      "Anonymous REST query \u00b7 No location tracking",
      "System clock \u00b7 No background process after dissolve",
      "HTTP audio stream \u00b7 No library access",
      "Local-only storage \u00b7 Gone on dissolve",
      "Game API backbone \u00b7 Session-only \u00b7 Cloud sync on dissolve",
      "On-device knowledge \u00b7 No network needed",
      "Local memory only \u00b7 Zero persistence on dissolve",
      "CalDAV read \u00b7 Dissolves after viewing",
  };
  return kDetails[payload_.index()];
}

std::vector<ExpressionCapability> Expression::capabilities() const {
  using Caps = std::vector<ExpressionCapability>;
  return std::visit(
      Overloaded{
          [](const Bundled& b) {
            Caps caps;
            for (const auto& c : b.manifest.capabilities) caps.push_back({c.name, c.justification});
            return caps;
          },
          [](const Browser& b) {
            return Caps{{"Network", "Load content from " + b.url.host().value_or("the web")}};
          },
          [](const Message& m) {
            return Caps{{"Messages", "Open Messages" + (m.recipient.empty()
                                                            ? std::string()
                                                            : " to contact " + m.recipient)}};
          },
          [](const Email& e) {
            return Caps{
                {"Mail", "Open Mail" + (e.to.empty() ? std::string() : " to send to " + e.to)}};
          },
          [](const Weather&) { return Caps{{"Network", "Fetch weather data"}}; },
          [](const Timer&) { return Caps{}; },
          [](const Music&) { return Caps{{"Network", "Stream audio content"}}; },
          [](const Reminder&) { return Caps{}; },
          [](const Game&) { return Caps{{"Network", "Connect to game backbone API"}}; },
          [](const Help&) { return Caps{}; },
          [](const Notes&) { return Caps{}; },
          [](const Calendar&) { return Caps{{"Calendar", "Read calendar events"}}; },
      },
      payload_);
}

bool Expression::isVerified() const {
  if (const auto* bundledCell = as<Bundled>()) return ManifestSigner::verify(bundledCell->manifest);
  return true;
}

}  // namespace kivari
