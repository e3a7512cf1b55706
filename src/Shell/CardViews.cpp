#include "Shell/CardViews.h"

#include "Shell/Cards.h"
#include "Ui/Widgets.h"

namespace kivari {

namespace {

Gtk::Label* label(const std::string& text, const char* cssClass) {
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->set_use_markup(false);
  l->add_css_class(cssClass);
  return l;
}

// Colours that come from data rather than the style sheet.
void tint(Gtk::Widget& widget, const Rgba& color) {
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data("* { color: " + color.css() + "; }");
  widget.get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
}

}  // namespace

CapabilityPromptView::CapabilityPromptView(const Expression& expression,
                                           std::function<void()> onAllow,
                                           std::function<void()> onDeny)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 20) {
  // Set before anything reads it: a screen reader landing on Allow hears
  // first what is being allowed.
  g_object_set(gobj(), "accessible-role", GTK_ACCESSIBLE_ROLE_DIALOG, nullptr);
  add_css_class("capability-card");
  const auto card = CapabilityCardContent::of(expression);

  auto* header = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
  auto* shield = makeSymbol(card.shieldSymbol, card.verified ? "Verified" : "Unverified");
  shield->add_css_class("card-shield");
  tint(*shield, card.shieldColor);
  header->append(*shield);
  auto* title = label({}, "card-title");
  showUserText(*title, card.title);
  title->set_justify(Gtk::Justification::CENTER);
  header->append(*title);
  setAccessibleLabel(*this, title->get_text());
  gtk_accessible_update_property(GTK_ACCESSIBLE(gobj()), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                 card.request(kLongestShownText).c_str(), -1);
  auto* description = label({}, "card-description");
  showUserText(*description, card.description);
  description->set_justify(Gtk::Justification::CENTER);
  description->set_max_width_chars(40);
  header->append(*description);
  auto* badge = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 4);
  badge->add_css_class("card-badge");
  badge->set_halign(Gtk::Align::CENTER);
  badge->append(*makeSymbol(card.badge.symbol));
  badge->append(*label(card.badge.text, "card-badge-text"));
  tint(*badge, card.badge.color);
  header->append(*badge);
  append(*header);

  if (card.capabilities.empty()) {
    append(*label("No special capabilities requested", "card-empty"));
  } else {
    auto* list = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
    list->add_css_class("capability-list");
    list->set_halign(Gtk::Align::CENTER);
    auto* heading = label("Requested Capabilities", "card-heading");
    heading->set_xalign(0);
    list->append(*heading);
    for (const auto& capability : card.capabilities) {
      auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
      auto* lock = makeSymbol("lock.shield");
      lock->set_valign(Gtk::Align::START);
      lock->add_css_class("dim");
      row->append(*lock);
      auto* texts = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
      auto* name = label(capability.name, "capability-name");
      name->set_xalign(0);
      auto* why = label({}, "capability-why");
      showUserText(*why, capability.justification);
      why->set_max_width_chars(40);
      why->set_xalign(0);
      texts->append(*name);
      texts->append(*why);
      row->append(*texts);
      list->append(*row);
    }
    append(*list);
  }

  auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 12);
  buttons->set_halign(Gtk::Align::CENTER);
  deny_.set_label("Deny");
  deny_.set_tooltip_text("Deny (Ctrl+Esc)");
  deny_.add_css_class("card-deny");
  allow_.set_label("Allow");
  allow_.add_css_class("suggested-action");
  allow_.add_css_class("card-allow");
  deny_.signal_clicked().connect([onDeny = std::move(onDeny)] { onDeny(); });
  allow_.signal_clicked().connect([onAllow = std::move(onAllow)] { onAllow(); });
  buttons->append(deny_);
  buttons->append(allow_);
  append(*buttons);
}

DNAPickerView::DNAPickerView(ProductivityCategory category, Pick onPick,
                             std::function<void()> onCancel)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 20) {
  g_object_set(gobj(), "accessible-role", GTK_ACCESSIBLE_ROLE_DIALOG, nullptr);
  add_css_class("dna-card");

  auto* header = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  auto* icon = makeSymbol(std::string(kivari::icon(category)));
  icon->add_css_class("dna-card-icon");
  header->append(*icon);
  auto* titles = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  auto* question = label(prompt(category), "card-heading");
  question->set_xalign(0);
  auto* subtitle = label("Select which backend DNA to sequence into a cell", "card-caption");
  subtitle->set_xalign(0);
  setAccessibleLabel(*this, question->get_text());
  gtk_accessible_update_property(GTK_ACCESSIBLE(gobj()), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                 subtitle->get_text().c_str(), -1);
  titles->append(*question);
  titles->append(*subtitle);
  titles->set_hexpand(true);
  header->append(*titles);
  close_.set_child(*makeSymbol("xmark.circle.fill"));
  close_.add_css_class("card-close");
  close_.set_valign(Gtk::Align::START);
  close_.set_tooltip_text("Cancel");
  setAccessibleLabel(close_, "Cancel");
  close_.signal_clicked().connect([onCancel = std::move(onCancel)] { onCancel(); });
  header->append(close_);
  append(*header);

  auto* rows = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 10);
  for (const auto& option : dnaOptions(category)) {
    auto* button = Gtk::make_managed<Gtk::Button>();
    button->add_css_class("dna-row");
    setAccessibleLabel(*button, option.name);
    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 14);
    auto* symbol = makeSymbol(option.icon);
    symbol->add_css_class("dna-row-icon");
    symbol->set_size_request(36, -1);
    tint(*symbol, option.color);
    content->append(*symbol);
    auto* names = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 3);
    auto* name = label(option.name, "dna-name");
    name->set_xalign(0);
    auto* dna = label(option.dnaLabel, "dna-label");
    dna->set_xalign(0);
    names->append(*name);
    names->append(*dna);
    names->set_hexpand(true);
    content->append(*names);
    auto* tags = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 3);
    auto* protocol = label(option.protocolLabel, "proto-tag");
    protocol->set_halign(Gtk::Align::END);
    auto* sso = label("Auto-login via SSO", "dna-sso");
    sso->set_halign(Gtk::Align::END);
    tags->append(*protocol);
    tags->append(*sso);
    content->append(*tags);
    button->set_child(*content);
    button->signal_clicked().connect(
        [onPick, url = option.url, provider = option.provider] { onPick(url, provider); });
    rows->append(*button);
    rows_.push_back(button);
  }
  append(*rows);

  auto* footer = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  footer->add_css_class("dna-footer");
  footer->set_halign(Gtk::Align::CENTER);
  footer->append(*makeSymbol("lock.shield"));
  footer->append(*label(
      "Credentials handled on-prem \u00b7 Billing managed by your org \u00b7 Nothing installed",
      "dna-footer-text"));
  append(*footer);
}

}  // namespace kivari
