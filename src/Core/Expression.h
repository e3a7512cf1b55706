#pragma once

#include "Core/Url.h"
#include "Manifests/ExpressionManifest.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kivari {

// A (name, justification) pair listed on the capability prompt.
struct ExpressionCapability {
  std::string name;
  std::string justification;
  bool operator==(const ExpressionCapability&) const = default;
};

// The one cell a request materialises, with what that cell needs.
class Expression {
 public:
  struct Bundled {
    ExpressionManifest manifest;
    bool operator==(const Bundled&) const = default;
  };
  struct Browser {
    Url url;
    bool operator==(const Browser&) const = default;
  };
  struct Message {
    std::string recipient;
    std::string prefill;
    bool operator==(const Message&) const = default;
  };
  struct Email {
    std::string to;
    std::string subject;
    std::string body;
    bool operator==(const Email&) const = default;
  };
  struct Weather {
    std::string location;
    bool operator==(const Weather&) const = default;
  };
  struct Timer {
    std::int64_t seconds = 0;
    std::string label;
    bool operator==(const Timer&) const = default;
  };
  struct Music {
    std::string query;
    bool operator==(const Music&) const = default;
  };
  struct Reminder {
    std::string text;
    bool operator==(const Reminder&) const = default;
  };
  struct Game {
    std::string name;
    bool operator==(const Game&) const = default;
  };
  struct Help {
    std::string question;
    bool operator==(const Help&) const = default;
  };
  struct Notes {
    bool operator==(const Notes&) const = default;
  };
  struct Calendar {
    bool operator==(const Calendar&) const = default;
  };

  // Alternatives in the order of the kinds; the index is the kind.
  using Payload = std::variant<Bundled, Browser, Message, Email, Weather, Timer, Music, Reminder,
                               Game, Help, Notes, Calendar>;

  enum class Kind { bundled, browser, message, email, weather, timer, music, reminder, game, help,
                    notes, calendar };

  static Expression bundled(ExpressionManifest manifest) { return {Bundled{std::move(manifest)}}; }
  static Expression browser(Url url) { return {Browser{std::move(url)}}; }
  static Expression message(std::string recipient, std::string prefill) {
    return {Message{std::move(recipient), std::move(prefill)}};
  }
  static Expression email(std::string to, std::string subject, std::string body) {
    return {Email{std::move(to), std::move(subject), std::move(body)}};
  }
  static Expression weather(std::string location) { return {Weather{std::move(location)}}; }
  static Expression timer(std::int64_t seconds, std::string label) {
    return {Timer{seconds, std::move(label)}};
  }
  static Expression music(std::string query) { return {Music{std::move(query)}}; }
  static Expression reminder(std::string text) { return {Reminder{std::move(text)}}; }
  static Expression game(std::string name) { return {Game{std::move(name)}}; }
  static Expression help(std::string question) { return {Help{std::move(question)}}; }
  static Expression notes() { return {Notes{}}; }
  static Expression calendar() { return {Calendar{}}; }

  Kind kind() const { return static_cast<Kind>(payload_.index()); }
  const Payload& payload() const { return payload_; }
  template <typename T>
  const T* as() const {
    return std::get_if<T>(&payload_);
  }

  std::string id() const;
  std::string name() const;
  std::string expressionDescription() const;
  std::string dnaSource() const;
  std::string protocolName() const { return dnaSource(); }
  std::string protocolDetail() const;
  std::vector<ExpressionCapability> capabilities() const;
  // For a manifest-described cell, its signature checked anew at every read.
  bool isVerified() const;
  bool isSystemExpression() const { return kind() != Kind::bundled; }

  bool operator==(const Expression&) const = default;

 private:
  Expression(Payload payload) : payload_(std::move(payload)) {}  // NOLINT: built by the factories
  Payload payload_;
};

}  // namespace kivari
