#pragma once

#include "Cells/CellViewKit.h"
#include "Cells/ComposeDraft.h"
#include "Core/Scheduler.h"

#include <gtkmm.h>

#include <functional>
#include <string>

namespace kivari {

// The message and e-mail composer: its own title bar, the To, Subject
// (e-mail only) and body fields, and Send (Control-Return), which hands the
// fields to the desktop's program. Until its answer comes Send takes no
// press, and a line says so once it is long in coming; if no program took
// them, everything stays as typed and a line in the cell says why the
// message was not sent.
class ComposeExpressionView : public Gtk::Box {
 public:
  ComposeExpressionView(ComposeType type, const std::string& recipient, const std::string& subject,
                        const std::string& body, std::function<void()> onDismiss,
                        Scheduler& cellScheduler,
                        ComposeDraft::Handoff handoff = ComposeDraft::nativeHandoff());

  ComposeDraft& draft() { return draft_; }
  Gtk::Entry& recipientField() { return to_; }
  Gtk::Entry& subjectField() { return subject_; }
  Gtk::TextView& bodyField() { return body_.view(); }
  Gtk::Button& sendButton() { return send_; }
  Gtk::Button& closeButton() { return close_; }
  const Gtk::Label& errorLine() const { return error_; }
  const Gtk::Label& waitingLine() const { return waiting_; }

 private:
  Gtk::Widget* headerBar(std::function<void()> onDismiss);
  Gtk::Widget* fieldRow(const char* caption, Gtk::Entry& field);
  void send();
  void refresh();

  ComposeDraft draft_;
  Gtk::Button close_;
  Gtk::Entry to_;
  Gtk::Entry subject_;
  cellkit::TextArea body_;
  Gtk::Label error_;
  Gtk::Label waiting_;
  Gtk::Button send_;
};

}  // namespace kivari
