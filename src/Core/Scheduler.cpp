#include "Core/Scheduler.h"

#include <glib.h>

#include <vector>

namespace kivari {

struct MainLoopScheduler::Pending {
  MainLoopScheduler* owner;
  Token token;
  std::function<void()> task;
};

MainLoopScheduler::~MainLoopScheduler() {
  for (const auto& [token, entry] : sources_) {
    g_source_remove(entry.first);
    delete entry.second;
  }
}

int MainLoopScheduler::fire(void* data) {
  auto* pending = static_cast<Pending*>(data);
  pending->owner->sources_.erase(pending->token);
  auto task = std::move(pending->task);
  delete pending;
  task();
  return G_SOURCE_REMOVE;
}

Scheduler::Token MainLoopScheduler::schedule(Duration delay, std::function<void()> task) {
  const Token token = next_++;
  auto* pending = new Pending{this, token, std::move(task)};
  const auto ms = static_cast<guint>(delay.count() < 0 ? 0 : delay.count());
  const guint source = g_timeout_add_full(G_PRIORITY_DEFAULT, ms, &MainLoopScheduler::fire, pending,
                                          nullptr);
  sources_[token] = {source, pending};
  return token;
}

void MainLoopScheduler::cancel(Token token) {
  const auto it = sources_.find(token);
  if (it == sources_.end()) return;
  // fire() frees what it runs; a cancelled task is freed here instead.
  g_source_remove(it->second.first);
  delete it->second.second;
  sources_.erase(it);
}

Scheduler::Token ManualScheduler::schedule(Duration delay, std::function<void()> task) {
  const Token token = next_++;
  tasks_.emplace(std::make_pair(now_ + (delay.count() < 0 ? Duration{0} : delay), token),
                 std::move(task));
  return token;
}

void ManualScheduler::cancel(Token token) {
  for (auto it = tasks_.begin(); it != tasks_.end(); ++it) {
    if (it->first.second == token) {
      tasks_.erase(it);
      return;
    }
  }
}

void ManualScheduler::advance(Duration by) {
  const Duration target = now_ + by;
  while (!tasks_.empty() && tasks_.begin()->first.first <= target) {
    auto node = tasks_.extract(tasks_.begin());
    now_ = node.key().first;
    node.mapped()();
  }
  now_ = target;
}

Scheduler::Token ScopedScheduler::schedule(Duration delay, std::function<void()> task) {
  if (closed_) return 0;
  // The parent's token is known only after scheduling; the task never runs before that.
  auto token = std::make_shared<Token>(0);
  *token = parent_.schedule(delay, [this, token, task = std::move(task)] {
    live_.erase(*token);
    task();
  });
  live_.insert(*token);
  return *token;
}

void ScopedScheduler::cancel(Token token) {
  if (live_.erase(token) != 0) parent_.cancel(token);
}

void ScopedScheduler::cancelAll() {
  closed_ = true;
  for (const Token token : live_) parent_.cancel(token);
  live_.clear();
}

RepeatingTask::RepeatingTask(Scheduler& scheduler, Scheduler::Duration period,
                             std::function<void()> step)
    : scheduler_(scheduler), period_(period), step_(std::move(step)) {}

RepeatingTask::~RepeatingTask() { stop(); }

void RepeatingTask::start() {
  if (isRunning()) return;
  arm();
}

void RepeatingTask::stop() {
  if (token_ != 0) scheduler_.cancel(token_);
  token_ = 0;
}

void RepeatingTask::arm() {
  token_ = scheduler_.schedule(period_, [this] {
    arm();
    step_();
  });
}

}  // namespace kivari
