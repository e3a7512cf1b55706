#pragma once

#include "Cells/CellViewKit.h"
#include "Cells/ReminderNote.h"
#include "Core/Scheduler.h"

#include <gtkmm.h>

#include <functional>
#include <string>

namespace kivari {

// The reminder text in an editable field and "Set Reminder"; once set, a
// green line says so and the cell closes itself a moment later.
class ReminderCellView : public Gtk::Box {
 public:
  ReminderCellView(const std::string& initialText, std::function<void()> onDismiss,
                   Scheduler& cellScheduler);

  ReminderNote& note() { return note_; }
  Gtk::TextView& field() { return area_.view(); }
  Gtk::Button& setButton() { return set_; }
  const Gtk::Label& notedLine() const { return noted_; }

 private:
  void refresh();
  void fitField();

  ReminderNote note_;
  Gtk::Image* status_ = nullptr;
  cellkit::TextArea area_{"Reminder", "What do you need to remember?"};
  Gtk::Button set_{"Set Reminder"};
  Gtk::Label noted_{"Reminder noted \u00b7 This cell will now dissolve"};
};

}  // namespace kivari
