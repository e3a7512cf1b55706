#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Intent/LanguageModel.h"

namespace kivari {

// A model runtime on this machine, spoken to over its HTTP chat API
// (GET /api/tags, POST /api/chat) through libsoup on the GLib main loop.
// The first model it lists is the one asked.
class LocalModelRuntime final : public LanguageModel {
 public:
  static constexpr std::uint16_t kDefaultPort = 11434;
  // How long the availability check may hold up its caller.
  static constexpr std::chrono::milliseconds kProbeLimit{150};
  // A reply larger than this is no answer; no more than one byte past it is read.
  static constexpr std::size_t kMaxAnswerBytes = 1u << 20;
  // The earlier prompts and answers sent with a request stay within this many
  // bytes: the oldest go first, so no answer can slow every later request.
  static constexpr std::size_t kMaxTranscriptBytes = 64u << 10;
  // A reply that sends no byte for this long is no answer. One that keeps
  // sending is waited for, however slow.
  static constexpr std::chrono::milliseconds kIdleLimit{60'000};
  // Replies awaited at once, each on its own connection, so a new request
  // never queues behind stalled ones; a request past it gives up the oldest.
  static constexpr std::size_t kMaxRepliesAwaited = 8;

  explicit LocalModelRuntime(std::string host = "127.0.0.1", std::uint16_t port = kDefaultPort,
                             std::chrono::milliseconds idleLimit = kIdleLimit);
  ~LocalModelRuntime() override;
  LocalModelRuntime(const LocalModelRuntime&) = delete;
  LocalModelRuntime& operator=(const LocalModelRuntime&) = delete;

  // Blocks at most about kProbeLimit: true when the runtime answers its model
  // list in time and lists at least one model.
  bool isAvailable() override;
  // An answer that keeps coming has no time limit; it never blocks the loop.
  std::unique_ptr<LanguageModelSession> makeSession(const std::string& instructions) override;

  struct Endpoint;

 private:
  std::shared_ptr<Endpoint> endpoint_;
};

}  // namespace kivari
