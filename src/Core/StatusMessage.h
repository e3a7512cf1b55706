#pragma once

#include <string>

namespace kivari {

// A new random UUID in its usual text form.
std::string freshUuid();

// One line of the status ribbon. Lines are told apart by id only, so two
// lines with the same words are still two lines.
struct StatusMessage {
  enum class MessageType { system, user, success, error };

  StatusMessage(std::string text, MessageType type);

  std::string id;
  std::string text;
  MessageType type;

  bool operator==(const StatusMessage& other) const { return id == other.id; }
};

}  // namespace kivari
