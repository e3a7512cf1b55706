#pragma once

#include "Intent/SystemControlAction.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivari {

// What came of running one command.
struct CommandResult {
  bool started = false;  // false: the program could not be started at all
  int exitStatus = 0;    // meaningful when started
  bool timedOut = false;
  std::string errorOutput;
};

// Runs a program as an argument vector, never through a shell. Injected so
// tests never change the machine's volume or put it to sleep.
class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  virtual bool programExists(const std::string& program) = 0;
  virtual CommandResult run(const std::vector<std::string>& argv,
                            std::chrono::milliseconds limit) = 0;
};

// The real runner: spawns the program and waits at most `limit`.
class ProcessCommandRunner final : public CommandRunner {
 public:
  bool programExists(const std::string& program) override;
  CommandResult run(const std::vector<std::string>& argv, std::chrono::milliseconds limit) override;
};

std::string_view script(SystemControlAction action);
std::string_view displayMessage(SystemControlAction action);

namespace SystemControl {

// Case and surrounding blanks of `text` do not matter.
std::optional<SystemControlAction> match(std::string_view text);
// The same for text already lower-cased, as the classifier holds it.
std::optional<SystemControlAction> matchLowercased(std::string_view lower);
SystemActionResult execute(SystemControlAction action, CommandRunner& runner);

}  // namespace SystemControl

}  // namespace kivari
