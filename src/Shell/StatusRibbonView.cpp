#include "Shell/StatusRibbonView.h"

#include "Core/Text.h"
#include "Ui/Widgets.h"

namespace kivari {

namespace {

// About 840 pixels of the ribbon's type: a pill fits a small window.
constexpr std::size_t kLongestPillCharacters = 120;

const char* typeClass(StatusMessage::MessageType type) {
  switch (type) {
    case StatusMessage::MessageType::system: return "system";
    case StatusMessage::MessageType::user: return "user";
    case StatusMessage::MessageType::success: return "success";
    case StatusMessage::MessageType::error: return "error";
  }
  return "system";
}

}  // namespace

StatusRibbonView::StatusRibbonView() {
  add_css_class("ribbon");
  set_policy(Gtk::PolicyType::EXTERNAL, Gtk::PolicyType::NEVER);
  set_hexpand(true);
  set_size_request(-1, 28);
  row_.add_css_class("ribbon-row");
  row_.set_valign(Gtk::Align::CENTER);
  set_child(row_);
  setAccessibleLabel(*this, "Status");
  // The ribbon scrolls by itself and never shows its bars.
  hideFromAssistiveTechnology(*get_hscrollbar());
  hideFromAssistiveTechnology(*get_vscrollbar());
}

void StatusRibbonView::update(const std::vector<StatusMessage>& messages) {
  if (messages.size() <= shown_) return;
  for (std::size_t i = shown_; i < messages.size(); ++i) {
    const auto& message = messages[i];
    // One label per line: the ribbon keeps every line of the run.
    // A line may carry a request of any length: cut off, it stays a pill
    // that fits the window. Pills keep their whole width as the ribbon
    // scrolls, so the cut is by characters.
    auto* pill = Gtk::make_managed<Gtk::Label>(text::displayPrefix(message.text, kLongestPillCharacters));
    pill->set_use_markup(false);
    pill->set_single_line_mode(true);
    pill->add_css_class("ribbon-pill");
    pill->add_css_class(typeClass(message.type));
    row_.append(*pill);
  }
  // The first line is there from the start; only later lines scroll.
  const bool grew = shown_ > 0;
  shown_ = messages.size();
  if (grew) scrollToNewest();
}

void StatusRibbonView::scrollToNewest() {
  if (scrollPending_) return;
  scrollPending_ = true;
  // Wait for the new pill to be laid out, then glide to the right edge.
  add_tick_callback([this, start = gint64{-1}, from = 0.0](const Glib::RefPtr<Gdk::FrameClock>& clock) mutable {
    auto adjustment = get_hadjustment();
    const double target = adjustment->get_upper() - adjustment->get_page_size();
    const gint64 now = clock->get_frame_time();
    if (start < 0) {
      start = now;
      from = adjustment->get_value();
      return true;
    }
    const double t = std::min(1.0, static_cast<double>(now - start) / 200000.0);
    const double eased = 1 - (1 - t) * (1 - t);  // ease-out over 0.2 s
    adjustment->set_value(from + (target - from) * eased);
    if (t >= 1.0) {
      scrollPending_ = false;
      return false;
    }
    return true;
  });
}

}  // namespace kivari
