#include "Cells/ComposeExpressionView.h"

#include "Ui/Widgets.h"

namespace kivari {

namespace {

bool isEmail(ComposeType type) { return type == ComposeType::email; }

}  // namespace

ComposeExpressionView::ComposeExpressionView(ComposeType type, const std::string& recipient,
                                             const std::string& subject, const std::string& body,
                                             std::function<void()> onDismiss,
                                             Scheduler& cellScheduler,
                                             ComposeDraft::Handoff handoff)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      draft_(type, recipient, subject, body, cellScheduler, onDismiss, std::move(handoff)),
      body_(isEmail(type) ? "Body" : "Message") {
  add_css_class("compose-cell");
  append(*headerBar(std::move(onDismiss)));
  append(*Gtk::make_managed<Gtk::Separator>());

  auto* fields = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
  fields->set_margin(12);
  fields->set_vexpand(true);
  to_.set_text(recipient);
  to_.set_placeholder_text(isEmail(type) ? "name@example.com" : "Name or number");
  setAccessibleLabel(to_, "To");
  to_.signal_changed().connect([this] {
    draft_.setRecipient(to_.get_text().raw());
    refresh();
  });
  fields->append(*fieldRow("To:", to_));
  if (isEmail(type)) {
    subject_.set_text(subject);
    subject_.set_placeholder_text("Subject");
    setAccessibleLabel(subject_, "Subject");
    subject_.signal_changed().connect([this] { draft_.setSubject(subject_.get_text().raw()); });
    fields->append(*fieldRow("Subject:", subject_));
  }
  fields->append(*Gtk::make_managed<Gtk::Separator>());
  body_.add_css_class("compose-body");
  body_.setText(body);
  body_.set_vexpand(true);
  body_.signalChanged().connect([this] { draft_.setBody(body_.text()); });
  fields->append(body_);
  append(*fields);
  append(*Gtk::make_managed<Gtk::Separator>());

  auto* sendRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  sendRow->set_margin(12);
  error_.add_css_class("compose-error");
  error_.set_xalign(0);
  error_.set_hexpand(true);
  error_.set_wrap(true);
  error_.set_visible(false);
  sendRow->append(error_);
  waiting_.add_css_class("compose-waiting");
  waiting_.set_xalign(0);
  waiting_.set_hexpand(true);
  waiting_.set_wrap(true);
  waiting_.set_visible(false);
  sendRow->append(waiting_);
  auto* sendLabel = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  sendLabel->append(*makeSymbol("paperplane.fill"));
  sendLabel->append(*Gtk::make_managed<Gtk::Label>("Send"));
  send_.set_child(*sendLabel);
  send_.add_css_class("suggested-action");
  send_.add_css_class("compose-send");
  send_.set_halign(Gtk::Align::END);
  send_.set_hexpand(true);
  send_.set_tooltip_text("Send (Ctrl+Return)");
  setAccessibleLabel(send_, "Send");
  send_.signal_clicked().connect([this] { send(); });
  sendRow->append(send_);
  append(*sendRow);

  // Control-Return sends from anywhere in the window, as the button would.
  auto shortcuts = Gtk::ShortcutController::create();
  shortcuts->set_scope(Gtk::ShortcutScope::GLOBAL);
  shortcuts->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  auto action = Gtk::CallbackAction::create([this](Gtk::Widget&, const Glib::VariantBase&) {
    send();
    return true;
  });
  for (const char* keys : {"<Control>Return", "<Control>KP_Enter"}) {
    shortcuts->add_shortcut(Gtk::Shortcut::create(Gtk::ShortcutTrigger::parse_string(keys), action));
  }
  add_controller(shortcuts);
  // The draft, and with it this call, goes with this view.
  draft_.setOnAnswer([this] { refresh(); });
  refresh();
}

Gtk::Widget* ComposeExpressionView::headerBar(std::function<void()> onDismiss) {
  auto* bar = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  bar->add_css_class("cell-header");
  bar->add_css_class("compose-header");
  auto* icon = makeSymbol(isEmail(draft_.type()) ? "envelope.fill" : "message.fill");
  icon->add_css_class("compose-icon");
  bar->append(*icon);
  auto* title = cellkit::label(isEmail(draft_.type()) ? "Email" : "Messages", "cell-title");
  title->set_xalign(0);
  title->set_hexpand(true);
  bar->append(*title);
  close_.set_child(*makeSymbol("xmark.circle.fill"));
  close_.add_css_class("cell-close");
  close_.set_tooltip_text("Dissolve (Esc)");
  close_.set_focus_on_click(false);
  setAccessibleLabel(close_, "Dissolve");
  // The call may remove this cell; nothing of it is touched afterwards.
  close_.signal_clicked().connect([onDismiss = std::move(onDismiss)] {
    if (onDismiss) onDismiss();
  });
  bar->append(close_);
  return bar;
}

Gtk::Widget* ComposeExpressionView::fieldRow(const char* caption, Gtk::Entry& field) {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  auto* label = cellkit::label(caption, "compose-caption");
  label->set_size_request(60, -1);
  label->set_xalign(1);
  row->append(*label);
  field.add_css_class("compose-field");
  field.set_has_frame(false);
  field.set_hexpand(true);
  row->append(field);
  return row;
}

void ComposeExpressionView::send() {
  if (!draft_.canSend()) return;
  draft_.send();
  refresh();
}

void ComposeExpressionView::refresh() {
  send_.set_sensitive(draft_.canSend());
  error_.set_text(draft_.failureLine());
  error_.set_visible(draft_.sendFailed());
  waiting_.set_text(draft_.waitingLine());
  waiting_.set_visible(draft_.waitingLong());
}

}  // namespace kivari
