#pragma once

#include "Ui/Palette.h"

#include <gtkmm.h>

#include <string>

namespace kivari::cellkit {

// Colours that come from data rather than the style sheet: of the widget's
// text and symbols, and of its whole area.
void tint(Gtk::Widget& widget, const Rgba& color);
void fill(Gtk::Widget& widget, const Rgba& color);

// Decoration that a screen reader should pass over.
void hideFromAssistiveTech(Gtk::Widget& widget);

Gtk::Label* label(const std::string& text, const char* cssClass);
// Empty room that grows to take what its box has spare.
Gtk::Widget* flexibleSpace(Gtk::Orientation orientation = Gtk::Orientation::VERTICAL);
// The small dim line at the foot of a cell.
Gtk::Label* footer(const std::string& text);

// A multi-line text field: a text view in its scroller, with a hint shown
// over it while it is empty (GTK's text view has none of its own).
class TextArea : public Gtk::Overlay {
 public:
  // User-perceived characters the field itself holds: its layout, redone
  // on every change, stays well under a second even for one long word.
  static constexpr std::size_t kLongestEditedText = 16384;

  TextArea(const char* accessibleName, const std::string& placeholder = {});

  Gtk::TextView& view() { return view_; }
  Gtk::ScrolledWindow& scroller() { return scroller_; }
  // The whole text, also what is kept past the longest part it edits.
  std::string text() const;
  void setText(const std::string& text);
  // Space between the edge and the text, the hint's included.
  void setInset(int pixels);
  sigc::signal<void()>& signalChanged() { return changed_; }

 private:
  Gtk::ScrolledWindow scroller_;
  Gtk::TextView view_;
  Gtk::Label placeholder_;
  // Past `kLongestEditedText`, a text is edited at its start; the rest is
  // kept whole here, shown as "…", and goes with the text.
  std::string tail_;
  Gtk::Label more_;
  sigc::signal<void()> changed_;
};

}  // namespace kivari::cellkit
