#include "Help/CellCatalogView.h"

#include "Core/Text.h"
#include "Help/CellCatalog.h"
#include "Ui/OverlayStyle.h"
#include "Ui/Widgets.h"

namespace kivari {

namespace {

Gtk::Label* label(const std::string& text, const char* cssClass) {
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->add_css_class(cssClass);
  l->set_xalign(0);
  return l;
}

Gtk::Label* oneLine(const std::string& text, const char* cssClass) {
  auto* l = label(text, cssClass);
  l->set_ellipsize(Pango::EllipsizeMode::END);
  l->set_single_line_mode(true);
  return l;
}

Gtk::Image* decorativeSymbol(const char* symbol, const char* cssClass) {
  auto* image = makeSymbol(symbol);
  image->add_css_class(cssClass);
  hideFromAssistiveTechnology(*image);
  return image;
}

Gtk::Widget* spacer() {
  auto* box = Gtk::make_managed<Gtk::Box>();
  box->set_hexpand(true);
  return box;
}

// Each section's own colour on its icon and way capsules.
std::string sectionRules() {
  std::string css;
  const auto& sections = catalog::sections();
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const Rgba& c = sections[i].color;
    const std::string scope = ".catalog-section-" + std::to_string(i);
    css += scope + " .catalog-section-icon { color: " + c.css() + "; }\n";
    css += scope + " .catalog-way { color: " + c.withAlpha(0.7).css() + "; background-color: " +
           c.withAlpha(0.08).css() + "; }\n";
  }
  return css;
}

}  // namespace

CellCatalogView::CellCatalogView(std::function<void(const std::string&)> onSelectPrompt,
                                 std::function<void()> onDismiss)
    : onSelectPrompt_(std::move(onSelectPrompt)), onDismiss_(std::move(onDismiss)) {
  installOverlayStyle();
  static GdkDisplay* sectionsInstalledOn = nullptr;
  installOncePerDisplay(sectionsInstalledOn, sectionRules);
  // The panel takes the keyboard as it opens: a screen reader names it then.
  g_object_set(gobj(), "accessible-role", GTK_ACCESSIBLE_ROLE_DIALOG, nullptr);
  setAccessibleLabel(*this, "Cell Catalog");
  set_halign(Gtk::Align::CENTER);
  set_valign(Gtk::Align::CENTER);
  set_overflow(Gtk::Overflow::HIDDEN);
  surface_.add_css_class("catalog-panel");
  surface_.set_overflow(Gtk::Overflow::HIDDEN);
  surface_.setChild(panel_);
  surface_.set_parent(*this);

  panel_.append(*header());
  panel_.append(*Gtk::make_managed<Gtk::Separator>());
  panel_.append(*intro());
  panel_.append(*Gtk::make_managed<Gtk::Separator>());

  auto* list = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 24);
  list->add_css_class("catalog-list");
  for (std::size_t i = 0; i < catalog::sections().size(); ++i) list->append(*sectionView(i));
  auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
  scroller->set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller->set_vexpand(true);
  scroller->set_child(*list);
  // The list scrolls to whatever entry has the keyboard; a screen reader
  // moves through the entries, not the bars.
  hideFromAssistiveTechnology(*scroller->get_hscrollbar());
  hideFromAssistiveTechnology(*scroller->get_vscrollbar());
  panel_.append(*scroller);
}

CellCatalogView::~CellCatalogView() { surface_.unparent(); }

Gtk::Widget* CellCatalogView::header() {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  row->add_css_class("catalog-header");
  row->append(*decorativeSymbol("dna", "catalog-dna"));
  auto* titles = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  titles->set_valign(Gtk::Align::CENTER);
  titles->append(*label("Cell Catalog", "catalog-title"));
  titles->append(*oneLine("Everything you can do — just type naturally", "catalog-subtitle"));
  row->append(*titles);
  row->append(*spacer());
  auto* badge = label("Kivari", "catalog-badge");
  badge->set_valign(Gtk::Align::CENTER);
  row->append(*badge);
  close_.set_child(*makeSymbol("xmark.circle.fill"));
  close_.add_css_class("catalog-close");
  close_.set_valign(Gtk::Align::CENTER);
  close_.set_tooltip_text("Close");
  setAccessibleLabel(close_, "Close");
  close_.signal_clicked().connect([this] {
    if (onDismiss_) onDismiss_();
  });
  row->append(close_);
  return row;
}

Gtk::Widget* CellCatalogView::intro() {
  auto* strip = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  strip->add_css_class("catalog-intro");
  auto* bulb = decorativeSymbol("lightbulb.fill", "catalog-bulb");
  bulb->set_valign(Gtk::Align::CENTER);
  strip->append(*bulb);
  auto* text = label("No apps. No menus. Just type what you want — the OS reads backend DNA, sequences an RNA "
                     "manifest, and materializes a temporary cell. It dissolves with zero trace when you're done.",
                     "catalog-intro-text");
  text->set_wrap(true);
  text->set_wrap_mode(Pango::WrapMode::WORD_CHAR);
  text->set_hexpand(true);
  strip->append(*text);
  return strip;
}

Gtk::Widget* CellCatalogView::sectionView(std::size_t index) {
  const CatalogSection& section = catalog::sections()[index];
  auto* block = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 10);
  block->add_css_class("catalog-section-" + std::to_string(index));

  auto* heading = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  heading->append(*decorativeSymbol(section.icon.c_str(), "catalog-section-icon"));
  heading->append(*oneLine(text::uppercased(section.title), "catalog-section-title"));
  heading->append(*spacer());
  auto* description = oneLine(section.description, "catalog-section-description");
  description->set_xalign(1);
  heading->append(*description);
  block->append(*heading);

  auto* entries = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
  for (const CatalogEntry& entry : section.entries) {
    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
    auto* prompt = label(entry.prompt, "catalog-prompt");
    prompt->set_wrap(true);
    prompt->set_wrap_mode(Pango::WrapMode::WORD_CHAR);
    row->append(*prompt);
    row->append(*spacer());
    auto* what = oneLine(entry.label, "catalog-label");
    what->set_xalign(1);
    row->append(*what);
    content->append(*row);
    const auto ways = catalog::shownWays(entry);
    if (!ways.empty()) {
      auto* waysRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 4);
      waysRow->append(*oneLine("or say:", "catalog-or-say"));
      for (const auto& way : ways) waysRow->append(*oneLine(way, "catalog-way"));
      content->append(*waysRow);
    }
    auto* button = Gtk::make_managed<Gtk::Button>();
    button->add_css_class("catalog-entry");
    button->set_child(*content);
    setAccessibleLabel(*button, entry.prompt.c_str());
    button->signal_clicked().connect([this, prompt = entry.prompt] {
      if (onSelectPrompt_) onSelectPrompt_(prompt);
    });
    entries->append(*button);
    entries_.push_back(button);
  }
  block->append(*entries);
  return block;
}

Gtk::SizeRequestMode CellCatalogView::get_request_mode_vfunc() const { return Gtk::SizeRequestMode::CONSTANT_SIZE; }

void CellCatalogView::measure_vfunc(Gtk::Orientation orientation, int, int& minimum, int& natural,
                                    int& minimumBaseline, int& naturalBaseline) const {
  minimum = natural = orientation == Gtk::Orientation::HORIZONTAL ? kWidth : kHeight;
  minimumBaseline = naturalBaseline = -1;
}

void CellCatalogView::size_allocate_vfunc(int width, int height, int baseline) {
  // Always the card's own size, centred in what it is given.
  int ignoredMin = 0, ignoredNat = 0, b1 = 0, b2 = 0;
  surface_.measure(Gtk::Orientation::HORIZONTAL, -1, ignoredMin, ignoredNat, b1, b2);
  surface_.measure(Gtk::Orientation::VERTICAL, kWidth, ignoredMin, ignoredNat, b1, b2);
  surface_.size_allocate(Gtk::Allocation((width - kWidth) / 2, (height - kHeight) / 2, kWidth, kHeight), baseline);
}

}  // namespace kivari
