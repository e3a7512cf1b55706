#pragma once

#include "Core/UniformRandom.h"
#include "Core/Scheduler.h"
#include "Shell/SecurityAlertModel.h"

#include <gtkmm.h>

namespace kivari {

// The periodic security notice along the top edge. It takes no input at
// all: every click passes through to what lies beneath.
class SecurityAlertView : public Gtk::Box {
 public:
  explicit SecurityAlertView(Scheduler& scheduler, UniformRandom random = UniformRandom{});
  ~SecurityAlertView() override;

  const SecurityAlertLoop& loop() const { return loop_; }
  Gtk::Box& banner() { return banner_; }
  Gtk::Label& title() { return title_; }
  Gtk::Label& subtitle() { return subtitle_; }

 private:
  void update();

  SecurityAlertLoop loop_;
  ScopedScheduler steps_;
  Gtk::Box banner_{Gtk::Orientation::HORIZONTAL, 10};
  Gtk::Image icon_;
  Gtk::Box texts_{Gtk::Orientation::VERTICAL, 2};
  Gtk::Label title_;
  Gtk::Label subtitle_;
  AlertPhase shown_ = AlertPhase::hidden;
  sigc::connection changed_;
};

}  // namespace kivari
