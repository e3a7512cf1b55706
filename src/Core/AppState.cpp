#include "Core/AppState.h"

#include "Core/Text.h"
#include "Intent/IntentClassifier.h"
#include "Manifests/ManifestSigner.h"

namespace kivari {

using Type = StatusMessage::MessageType;

AppState::AppState(std::unique_ptr<ManifestRegistry> registry, AppStateServices services)
    : registry_(std::move(registry)), services_(std::move(services)) {
  if (!registry_) registry_ = std::make_unique<ManifestRegistry>(std::nullopt);
  if (!services_.classify) {
    services_.classify = [](const std::string& request, const ManifestRegistry& manifests) {
      return IntentClassifier::classify(request, manifests);
    };
  }
  statusMessages_.emplace_back("Kivari ready", Type::system);
}

AppState::~AppState() = default;

std::string AppState::hintText() {
  return "Try: play candy crush \u00b7 go to gmail.com \u00b7 calculator \u00b7 weather \u00b7 "
         "send a message \u00b7 write a note";
}

void AppState::setIntentText(std::string text) {
  if (text == intentText_) return;
  intentText_ = std::move(text);
  intentTextChanged_.emit();
}

void AppState::setShowCatalog(bool show) {
  if (show == showCatalog_) return;
  toggleCatalog();
}

void AppState::toggleCatalog() {
  showCatalog_ = !showCatalog_;
  if (showCatalog_) ++catalogOpenings_;
  showCatalogChanged_.emit();
}

void AppState::post(std::string text, Type type) {
  statusMessages_.emplace_back(std::move(text), type);
  statusMessagesChanged_.emit();
}

void AppState::setMode(AppMode mode) {
  // Putting up the card already shown counts too: the user asked for it anew.
  if (mode != AppMode::prompt()) ++shown_;
  if (mode == mode_) return;
  mode_ = std::move(mode);
  modeChanged_.emit();
}

void AppState::setThinking(bool thinking) {
  if (thinking == isThinking_) return;
  isThinking_ = thinking;
  isThinkingChanged_.emit();
}

void AppState::submit() {
  const std::string request = text::trimmed(intentText_);
  if (request.empty()) return;
  post(request, Type::user);
  setIntentText("");

  const ClassifiedIntent intent = services_.classify(request, *registry_);
  if (intent.systemControl) {
    runSystemAction(*intent.systemControl);
  } else if (intent.productivityCategory) {
    post("Multiple DNA sources available for " +
             std::string(displayName(*intent.productivityCategory)),
         Type::system);
    setMode(AppMode::dnaPicker(*intent.productivityCategory));
  } else if (intent.expression) {
    presentExpression(*intent.expression);
  } else if (services_.modelResolver && services_.modelResolver->isAvailable()) {
    setThinking(true);
    post("Thinking\u2026", Type::system);
    startModelTask(request);
  } else {
    showHelp();
  }
}

void AppState::runSystemAction(SystemControlAction action) {
  const SystemActionResult result = services_.executeSystemAction
                                        ? services_.executeSystemAction(action)
                                        : SystemActionResult{false, "Unknown error"};
  post(result.message, result.success ? Type::success : Type::error);
}

void AppState::startModelTask(const std::string& request) {
  std::weak_ptr<bool> alive = alive_;
  // Hold the resolver for the call: it outlives the request even if swapped.
  std::shared_ptr<IntentModelResolver> resolver = services_.modelResolver;
  resolver->resolve(request, [this, alive, at = AtRequest{shown_, catalogOpenings_}](
                                 std::optional<ClassifiedIntent> answer) {
    if (alive.expired()) return;
    handleModelAnswer(answer, at);
  });
}

void AppState::handleModelAnswer(const std::optional<ClassifiedIntent>& answer, AtRequest atRequest) {
  setThinking(false);
  // A card, picker or cell put up after the request is what the user turned
  // to meanwhile, even one already gone: a late answer must not replace it,
  // take the Return or click meant for it, or come back from nowhere after
  // it. One typed while it was shown is applied.
  // So is a new request being typed (submitting clears the text), and a
  // catalog opened since: a card would take the keys meant for them.
  // "Thinking…" is over either way, so the ribbon says where it went.
  if (shown_ != atRequest.shown || !intentText_.empty() ||
      (showCatalog_ && catalogOpenings_ != atRequest.catalogOpenings)) {
    post("Model answer set aside \u00b7 you moved on", Type::system);
    return;
  }
  applyModelAnswer(answer);
}

void AppState::applyModelAnswer(const std::optional<ClassifiedIntent>& answer) {
  if (!answer) {
    showHelp();
  } else if (answer->systemControl) {
    runSystemAction(*answer->systemControl);
  } else if (answer->expression) {
    presentExpression(*answer->expression);
  } else {
    // A productivity category alone is not followed from the model.
    showHelp();
  }
}

void AppState::presentExpression(const Expression& expression) {
  if (expression.kind() == Expression::Kind::help) {
    setMode(AppMode::expressing(expression));
    return;
  }
  if (const auto* bundled = expression.as<Expression::Bundled>()) {
    if (ManifestSigner::verify(bundled->manifest)) {
      post("Signature verified \u00b7 " + expression.protocolName(), Type::success);
    } else {
      post("Unverified \u00b7 " + expression.protocolName(), Type::system);
    }
  } else {
    post(expression.protocolName() + " \u00b7 " + expression.protocolDetail(), Type::system);
  }
  setMode(AppMode::capabilityPrompt(expression));
}

void AppState::allow(const Expression& expression) {
  post("Materializing " + expression.name() + " via " + expression.protocolName() + "\u2026",
       Type::system);
  setMode(AppMode::expressing(expression));
  post(expression.name() + " active \u00b7 " + expression.protocolDetail() +
           " \u00b7 Esc to dissolve",
       Type::success);
}

void AppState::deny() {
  post("Denied", Type::system);
  setMode(AppMode::prompt());
}

void AppState::pickDNA(const Url& url, const std::string& providerName) {
  post("Selected " + providerName + " DNA \u00b7 Auto-login via on-prem SSO", Type::success);
  presentExpression(Expression::browser(url));
}

void AppState::cancelPicker() { setMode(AppMode::prompt()); }

void AppState::dissolve() {
  const auto* open = mode_.as<AppMode::Expressing>();
  if (open == nullptr) return;
  // Keep the closing cell's texts before the mode lets go of it.
  const Expression expression = open->expression;
  if (expression.kind() == Expression::Kind::game) {
    post("Syncing progress to cloud account\u2026", Type::system);
  }
  post("Dissolving " + expression.name() + "\u2026", Type::system);
  setMode(AppMode::prompt());
  post("No trace left \u00b7 " + expression.dnaSource() + " session ended", Type::system);
}

void AppState::cellFailed(std::string text) { post(std::move(text), Type::error); }

void AppState::showHelp() { post(hintText(), Type::system); }

}  // namespace kivari
