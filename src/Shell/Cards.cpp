#include "Shell/Cards.h"

#include "Core/StatusMessage.h"
#include "Core/Text.h"
#include "Shell/KeyAction.h"

namespace kivari {

namespace {

struct OptionRow {
  ProductivityCategory category;
  const char* name;
  const char* provider;
  const char* dnaLabel;
  const char* protocolLabel;
  const char* icon;
  Rgba color;
  const char* url;
};

const OptionRow kOptions[] = {
    {ProductivityCategory::spreadsheet, "Google Sheets", "Google", "Google Workspace DNA",
     "HTTPS + OAuth 2.0", "tablecells", palette::green, "https://sheets.google.com/create"},
    {ProductivityCategory::spreadsheet, "Excel Online", "Microsoft", "Microsoft 365 DNA",
     "HTTPS + Azure AD", "tablecells.badge.ellipsis", palette::blue,
     "https://www.office.com/launch/excel"},
    {ProductivityCategory::presentation, "Google Slides", "Google", "Google Workspace DNA",
     "HTTPS + OAuth 2.0", "rectangle.on.rectangle.angled", palette::yellow,
     "https://slides.google.com/create"},
    {ProductivityCategory::presentation, "PowerPoint Online", "Microsoft", "Microsoft 365 DNA",
     "HTTPS + Azure AD", "rectangle.on.rectangle", palette::orange,
     "https://www.office.com/launch/powerpoint"},
    {ProductivityCategory::document, "Google Docs", "Google", "Google Workspace DNA",
     "HTTPS + OAuth 2.0", "doc.text", palette::blue, "https://docs.google.com/create"},
    {ProductivityCategory::document, "Word Online", "Microsoft", "Microsoft 365 DNA",
     "HTTPS + Azure AD", "doc.richtext", palette::indigo, "https://www.office.com/launch/word"},
    {ProductivityCategory::videoCall, "Zoom", "Zoom", "Zoom Video DNA", "WebRTC + HTTPS", "video",
     palette::blue, "https://zoom.us/start"},
    {ProductivityCategory::videoCall, "Google Meet", "Google", "Google Workspace DNA",
     "WebRTC + HTTPS", "video.badge.waveform", palette::green, "https://meet.google.com/new"},
    {ProductivityCategory::calendarEvent, "Google Calendar", "Google", "Google Workspace DNA",
     "HTTPS + OAuth 2.0", "calendar.badge.plus", palette::blue,
     "https://calendar.google.com/calendar/r/eventedit"},
    {ProductivityCategory::calendarEvent, "Outlook Calendar", "Microsoft", "Microsoft 365 DNA",
     "HTTPS + Azure AD", "calendar", palette::cyan,
     "https://outlook.live.com/calendar/0/deeplink/compose"},
};

}  // namespace

std::vector<DNAOption> dnaOptions(ProductivityCategory category) {
  std::vector<DNAOption> options;
  for (const auto& row : kOptions) {
    if (row.category != category) continue;
    // The addresses are fixed and well formed.
    options.push_back({freshUuid(), row.name, row.provider, row.dnaLabel, row.protocolLabel,
                       *Url::parse(row.url), row.icon, row.color});
  }
  return options;
}

CapabilityCardContent CapabilityCardContent::of(const Expression& expression) {
  CapabilityCardContent card;
  card.verified = expression.isVerified();
  card.shieldSymbol = card.verified ? "checkmark.shield.fill" : "shield.slash";
  card.shieldColor = card.verified ? palette::green : palette::orange;
  card.title = expression.name();
  card.description = expression.expressionDescription();
  card.capabilities = expression.capabilities();
  const auto* bundled = expression.as<Expression::Bundled>();
  if (expression.isSystemExpression()) {
    card.badge = {"System Expression", "gearshape.fill", palette::blue};
  } else if (bundled != nullptr && bundled->manifest.publisher) {
    card.badge = {bundled->manifest.publisher->name,
                  card.verified ? "checkmark.seal.fill" : "questionmark.diamond",
                  card.verified ? palette::green : palette::orange};
  } else {
    card.badge = {"Unknown publisher", "exclamationmark.triangle", palette::orange};
  }
  return card;
}

std::string CapabilityCardContent::request(std::size_t longestReason) const {
  if (capabilities.empty()) return "No special capabilities requested";
  std::string line = "Requested capabilities: ";
  for (std::size_t i = 0; i < capabilities.size(); ++i) {
    if (i > 0) line += "; ";
    line += capabilities[i].name;
    if (!capabilities[i].justification.empty()) {
      line += ", " + text::displayPrefix(capabilities[i].justification, longestReason);
    }
  }
  return line;
}

KeyAction keyAction(Key key, bool control, const WindowKeyState& state) {
  if (key == Key::escape && state.cellOpen) return KeyAction::dissolve;
  if (!state.capabilityCard && !state.dnaPicker) return KeyAction::none;
  if (state.cardCovered) {
    // Keys belong to what covers the card; Tab may go there too.
    if (key == Key::focusMove || !state.focusBelowCover) return KeyAction::none;
    return KeyAction::swallow;
  }
  if (key == Key::focusMove) return KeyAction::focusMoved;
  if ((key == Key::enter || key == Key::space) && state.pressedEarly) return KeyAction::swallow;
  if (key == Key::space) return state.focusMovedByUser ? KeyAction::none : KeyAction::swallow;
  // The picker's focused row takes Return itself.
  if (!state.capabilityCard) return KeyAction::none;
  if (key == Key::escape && control) return KeyAction::deny;
  if (key == Key::enter && !control) {
    // A key aimed at Deny never grants.
    if (state.denyFocused) return KeyAction::deny;
    return state.allowReady ? KeyAction::allow : KeyAction::swallow;
  }
  return KeyAction::none;
}

CardConsent::CardConsent(Scheduler& scheduler, bool covered, PressCount presses)
    : steps_(scheduler), presses_(std::move(presses)), covered_(covered) {}

void CardConsent::shown() {
  if (covered_ || ready_ || grace_ != 0) return;
  grace_ = steps_.schedule(kUnseenGrace, [this] {
    grace_ = 0;
    ready_ = true;
    // Every Return or Space begun until now was not meant for the card.
    if (presses_) earlyPresses_ = presses_();
  });
}

void CardConsent::setCovered(bool covered) {
  if (covered == covered_) return;
  covered_ = covered;
  if (!covered_) return;
  ready_ = false;
  steps_.cancel(grace_);
  grace_ = 0;
}

bool CardConsent::answer(bool allowing) {
  if (answered_ || covered_ || (allowing && !ready_)) return false;
  answered_ = true;
  return true;
}

void CardConsent::activationBegan() {
  if (activating_) return;
  activating_ = true;
  activationVoid_ = !takesPress();
}

bool CardConsent::allowClicked() {
  if (activating_) {
    activating_ = false;
    if (activationVoid_) return false;
  }
  return answer(true);
}

}  // namespace kivari
