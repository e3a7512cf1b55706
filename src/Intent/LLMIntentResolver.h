#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Intent/IntentModelResolver.h"
#include "Intent/LanguageModel.h"

namespace kivari {

// Hands what the rules could not read to a language model and turns its
// structured reading into an intent. One conversation is kept for the whole
// run, so the model sees the requests before each new one.
//
// Used from one thread (the one whose GLib main loop runs the app).
class LLMIntentResolver final : public IntentModelResolver {
 public:
  explicit LLMIntentResolver(std::shared_ptr<LanguageModel> model);

  // The one resolver of the process, backed by the local model runtime;
  // created on first use.
  static std::shared_ptr<LLMIntentResolver> shared();

  // Asks the model anew every time; never cached.
  bool isAvailable() override;
  void resolve(const std::string& text, Answer answer) override;

  // None for calculator, unknown and a browser answer without a usable
  // address; otherwise an intent with exactly one part set.
  static std::optional<ClassifiedIntent> mapToClassifiedIntent(const ParsedIntent& parsed);

  bool hasSession() const { return session_ != nullptr; }

 private:
  std::shared_ptr<LanguageModel> model_;
  // Created by the first resolve that finds the model available, then kept.
  std::unique_ptr<LanguageModelSession> session_;
};

}  // namespace kivari
