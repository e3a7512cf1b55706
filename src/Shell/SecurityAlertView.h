#pragma once

#include "Core/UniformRandom.h"
#include "Core/Scheduler.h"
#include "Shell/SecurityAlertModel.h"

#include <gtkmm.h>

#include <memory>

namespace kivari {

// The notice's rounded box. Its glow (a soft shadow in the phase's colour)
// is drawn once per size at rest and at full strength; each step of the
// threat's pulse blends the two, so a step repaints only the notice's own
// area and blurs nothing.
class NoticeBanner : public Gtk::Box {
 public:
  // The pulse is drawn in this many steps each way.
  static constexpr int kGlowSteps = 4;

  explicit NoticeBanner(Scheduler& scheduler);
  ~NoticeBanner() override;
  // The glow of `phase`, pulsing or at rest.
  void setGlow(AlertPhase phase, bool pulsing);
  int glowStep() const { return step_; }

 protected:
  void snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) override;

 private:
  struct NodeUnref {
    void operator()(GskRenderNode* node) const { gsk_render_node_unref(node); }
  };
  void pulse();
  void stopPulse();
  void buildLevels(const graphene_rect_t& box);

  Scheduler& scheduler_;
  Scheduler::Token token_ = 0;
  AlertPhase glowPhase_ = AlertPhase::hidden;
  int pulseTicks_ = -1;  // counted while pulsing
  int step_ = 0;
  // The levels, for the box, scale and phase they were drawn for.
  graphene_rect_t levelBox_ = GRAPHENE_RECT_INIT(0, 0, 0, 0);
  int levelScale_ = 0;
  AlertPhase levelPhase_ = AlertPhase::hidden;
  graphene_rect_t levelBounds_ = GRAPHENE_RECT_INIT(0, 0, 0, 0);
  Cairo::RefPtr<Cairo::ImageSurface> rest_, full_;
  // Handed to GTK again unchanged until the step changes.
  std::unique_ptr<GskRenderNode, NodeUnref> node_;
  int nodeStep_ = -1;
};

// The periodic security notice along the top edge. It takes no input at
// all: every click passes through to what lies beneath.
class SecurityAlertView : public Gtk::Box {
 public:
  explicit SecurityAlertView(Scheduler& scheduler, UniformRandom random = UniformRandom{});
  ~SecurityAlertView() override;

  const SecurityAlertLoop& loop() const { return loop_; }
  NoticeBanner& banner() { return banner_; }
  Gtk::Label& title() { return title_; }
  Gtk::Label& subtitle() { return subtitle_; }

 private:
  void update();

  SecurityAlertLoop loop_;
  ScopedScheduler steps_;
  NoticeBanner banner_;
  Gtk::Image icon_;
  Gtk::Box texts_{Gtk::Orientation::VERTICAL, 2};
  Gtk::Label title_;
  Gtk::Label subtitle_;
  AlertPhase shown_ = AlertPhase::hidden;
  sigc::connection changed_;
};

}  // namespace kivari
