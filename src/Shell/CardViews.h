#pragma once

#include "Core/Expression.h"
#include "Core/ProductivityCategory.h"
#include "Core/Url.h"

#include <gtkmm.h>

#include <functional>
#include <string>

namespace kivari {

// Asks whether a cell may be materialised: what it is, who publishes it and
// what it will use. Holds no state; its two buttons only call back.
class CapabilityPromptView : public Gtk::Box {
 public:
  CapabilityPromptView(const Expression& expression, std::function<void()> onAllow,
                       std::function<void()> onDeny);
  Gtk::Button& allowButton() { return allow_; }
  Gtk::Button& denyButton() { return deny_; }

 private:
  Gtk::Button deny_;
  Gtk::Button allow_;
};

// Lists the two web services of a productivity request and reports the pick.
class DNAPickerView : public Gtk::Box {
 public:
  using Pick = std::function<void(const Url& url, const std::string& provider)>;
  DNAPickerView(ProductivityCategory category, Pick onPick, std::function<void()> onCancel);
  Gtk::Button& closeButton() { return close_; }
  // The service rows, first row first.
  std::vector<Gtk::Button*> rows() const { return rows_; }

 private:
  Gtk::Button close_;
  std::vector<Gtk::Button*> rows_;
};

}  // namespace kivari
