#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace kivari {

// Every timed step of the application runs through one of these, so tests
// can move time forward instead of waiting.
class Scheduler {
 public:
  using Token = std::uint64_t;
  using Duration = std::chrono::milliseconds;

  virtual ~Scheduler() = default;
  // Runs `task` once, `delay` from now, on the main loop. Never runs it
  // from inside this call.
  virtual Token schedule(Duration delay, std::function<void()> task) = 0;
  // A cancelled or already-run token is ignored.
  virtual void cancel(Token token) = 0;
};

// Scheduler on the GLib main loop of the default context.
class MainLoopScheduler final : public Scheduler {
 public:
  ~MainLoopScheduler() override;
  Token schedule(Duration delay, std::function<void()> task) override;
  void cancel(Token token) override;

 private:
  struct Pending;
  static int fire(void* data);
  std::map<Token, std::pair<unsigned, Pending*>> sources_;
  Token next_ = 1;
};

// Scheduler whose clock moves only when told; for tests.
class ManualScheduler final : public Scheduler {
 public:
  Token schedule(Duration delay, std::function<void()> task) override;
  void cancel(Token token) override;
  // Moves the clock forward, running every task that falls due, in time order.
  void advance(Duration by);
  Duration now() const { return now_; }
  std::size_t pendingCount() const { return tasks_.size(); }

 private:
  std::map<std::pair<Duration, Token>, std::function<void()>> tasks_;
  Duration now_{0};
  Token next_ = 1;
};

// Forwards to another scheduler and keeps track of what it scheduled, so
// one owner (a cell) ends all of its steps at once: none runs after
// cancelAll() or the destructor, and nothing new is taken after cancelAll().
class ScopedScheduler final : public Scheduler {
 public:
  explicit ScopedScheduler(Scheduler& parent) : parent_(parent) {}
  ~ScopedScheduler() override { cancelAll(); }
  ScopedScheduler(const ScopedScheduler&) = delete;
  ScopedScheduler& operator=(const ScopedScheduler&) = delete;

  // Returns 0 and drops the task once cancelAll() has run.
  Token schedule(Duration delay, std::function<void()> task) override;
  void cancel(Token token) override;
  void cancelAll();
  std::size_t pendingCount() const { return live_.size(); }

 private:
  Scheduler& parent_;
  std::set<Token> live_;
  bool closed_ = false;
};

// Runs a step every `period` until stopped or destroyed.
class RepeatingTask {
 public:
  RepeatingTask(Scheduler& scheduler, Scheduler::Duration period, std::function<void()> step);
  ~RepeatingTask();
  RepeatingTask(const RepeatingTask&) = delete;
  RepeatingTask& operator=(const RepeatingTask&) = delete;

  void start();
  void stop();
  bool isRunning() const { return token_ != 0; }

 private:
  void arm();
  Scheduler& scheduler_;
  Scheduler::Duration period_;
  std::function<void()> step_;
  Scheduler::Token token_ = 0;
};

}  // namespace kivari
