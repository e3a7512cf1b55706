#pragma once

#include "Core/AppMode.h"
#include "Core/StatusMessage.h"
#include "Intent/ClassifiedIntent.h"
#include "Intent/IntentModelResolver.h"
#include "Intent/SystemControlAction.h"
#include "Manifests/ManifestRegistry.h"

#include <sigc++/signal.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kivari {

// What AppState calls on to understand and act; each can be swapped in tests.
struct AppStateServices {
  // None means the rules of IntentClassifier.
  std::function<ClassifiedIntent(const std::string& request, const ManifestRegistry& registry)>
      classify;
  std::function<SystemActionResult(SystemControlAction)> executeSystemAction;
  // None means no language model on this machine.
  std::shared_ptr<IntentModelResolver> modelResolver;
};

// The one state hub: every request's road from the prompt to a cell, a card,
// a system action or the hint goes through here, and each visible step posts
// a status line. Lives on the main thread.
class AppState {
 public:
  AppState(std::unique_ptr<ManifestRegistry> registry, AppStateServices services);
  ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  const AppMode& mode() const { return mode_; }
  const std::string& intentText() const { return intentText_; }
  const std::vector<StatusMessage>& statusMessages() const { return statusMessages_; }
  bool isThinking() const { return isThinking_; }
  bool showCatalog() const { return showCatalog_; }
  const ManifestRegistry& registry() const { return *registry_; }

  // The shell writes these two; an equal value notifies nobody.
  void setIntentText(std::string text);
  void setShowCatalog(bool show);
  void toggleCatalog();

  void submit();
  void allow(const Expression& expression);
  void deny();
  void pickDNA(const Url& url, const std::string& providerName);
  void cancelPicker();
  void dissolve();
  // An open cell could not do what it was allowed to: `text` as an error line.
  void cellFailed(std::string text);

  // One signal per field; they fire after the field has its new value.
  sigc::signal<void()>& signalModeChanged() { return modeChanged_; }
  sigc::signal<void()>& signalIntentTextChanged() { return intentTextChanged_; }
  sigc::signal<void()>& signalStatusMessagesChanged() { return statusMessagesChanged_; }
  sigc::signal<void()>& signalIsThinkingChanged() { return isThinkingChanged_; }
  sigc::signal<void()>& signalShowCatalogChanged() { return showCatalogChanged_; }

  // The sample requests shown when nothing understood the request.
  static std::string hintText();

 private:
  void post(std::string text, StatusMessage::MessageType type);
  void setMode(AppMode mode);
  void setThinking(bool thinking);
  void runSystemAction(SystemControlAction action);
  void presentExpression(const Expression& expression);
  void showHelp();
  void startModelTask(const std::string& request);
  struct AtRequest {
    unsigned shown;
    unsigned catalogOpenings;
  };
  void handleModelAnswer(const std::optional<ClassifiedIntent>& answer, AtRequest atRequest);
  void applyModelAnswer(const std::optional<ClassifiedIntent>& answer);

  AppMode mode_ = AppMode::prompt();
  std::string intentText_;
  std::vector<StatusMessage> statusMessages_;
  bool isThinking_ = false;
  bool showCatalog_ = false;
  std::unique_ptr<ManifestRegistry> registry_;
  // Counts every card, picker and cell put up, so a model answer can tell
  // whether what is shown came after its request.
  unsigned shown_ = 0;
  // Counts each opening of the catalog, for the same question.
  unsigned catalogOpenings_ = 0;
  AppStateServices services_;
  // Pending model answers check this so a late answer never touches a gone state.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  sigc::signal<void()> modeChanged_;
  sigc::signal<void()> intentTextChanged_;
  sigc::signal<void()> statusMessagesChanged_;
  sigc::signal<void()> isThinkingChanged_;
  sigc::signal<void()> showCatalogChanged_;
};

}  // namespace kivari
