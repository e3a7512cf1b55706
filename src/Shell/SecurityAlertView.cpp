#include "Shell/SecurityAlertView.h"

#include "Shell/Icons.h"
#include "Shell/OverlayStyle.h"
#include "Shell/Widgets.h"

namespace kivari {

namespace {

constexpr Scheduler::Duration kSlideTime{400};

}  // namespace

SecurityAlertView::SecurityAlertView(Scheduler& scheduler, UniformRandom random)
    : Gtk::Box(Gtk::Orientation::VERTICAL), loop_(scheduler, random), steps_(scheduler) {
  installOverlayStyle();
  readAsGroup(*this);
  set_can_target(false);
  set_can_focus(false);
  set_valign(Gtk::Align::START);
  set_hexpand(true);

  banner_.add_css_class("security-banner");
  banner_.add_css_class("away");
  banner_.set_margin_start(40);
  banner_.set_margin_end(40);
  banner_.set_margin_top(20);
  banner_.set_visible(false);
  hideFromAssistiveTechnology(icon_);
  banner_.append(icon_);
  title_.add_css_class("alert-title");
  title_.set_xalign(0);
  subtitle_.add_css_class("alert-subtitle");
  subtitle_.set_xalign(0);
  subtitle_.set_text("OS secured by Norton Antivirus MCP layer");
  texts_.append(title_);
  texts_.append(subtitle_);
  texts_.set_valign(Gtk::Align::CENTER);
  banner_.append(texts_);
  append(banner_);

  changed_ = loop_.signalChanged().connect(sigc::mem_fun(*this, &SecurityAlertView::update));
  signal_map().connect([this] { loop_.start(); });
  signal_unmap().connect([this] { loop_.stop(); });
}

SecurityAlertView::~SecurityAlertView() { changed_.disconnect(); }

void SecurityAlertView::update() {
  const AlertPhase phase = loop_.phase();
  if (loop_.pulseGlow()) {
    banner_.add_css_class("glowing");
  } else {
    banner_.remove_css_class("glowing");
  }
  if (phase == shown_) return;
  const AlertPhase previous = shown_;
  shown_ = phase;
  if (phase == AlertPhase::hidden) {
    // Slides away showing what it last said, then stops drawing.
    banner_.add_css_class("away");
    steps_.schedule(kSlideTime, [this] {
      if (shown_ == AlertPhase::hidden) banner_.set_visible(false);
    });
    return;
  }
  const bool threat = phase == AlertPhase::threat;
  banner_.remove_css_class(threat ? "secured" : "threat");
  banner_.add_css_class(threat ? "threat" : "secured");
  icon_.set_from_icon_name(iconNameForSymbol(threat ? "exclamationmark.shield.fill" : "checkmark.shield.fill"));
  title_.set_text(threat ? "⚠ Prompt injection attack on OS detected" : "✓ All safe");
  subtitle_.set_visible(threat);
  if (previous == AlertPhase::hidden) {
    banner_.set_visible(true);
    // Drawn once where it starts, then moved in.
    banner_.add_tick_callback([this](const Glib::RefPtr<Gdk::FrameClock>&) {
      if (shown_ != AlertPhase::hidden) banner_.remove_css_class("away");
      return false;
    });
  }
}

}  // namespace kivari
