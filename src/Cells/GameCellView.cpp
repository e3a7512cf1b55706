#include "Cells/GameCellView.h"

#include <algorithm>
#include <numbers>
#include <utility>

namespace kivari {

namespace {

constexpr unsigned kStepEaseMs = 300;

// Long names wrap at word ends, and inside a word too long for a line.
void wrapAnywhere(Gtk::Label& label) {
  label.set_wrap(true);
  label.set_wrap_mode(Pango::WrapMode::WORD_CHAR);
}

Cairo::FontOptions wholePixelMetrics() {
  Cairo::FontOptions options;
  options.set_hint_metrics(Cairo::FontOptions::HintMetrics::ON);
  return options;
}

void hideFromAssistiveTechnology(Gtk::Widget& widget) {
  gtk_accessible_update_state(GTK_ACCESSIBLE(widget.gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
}

// Bubbles with two sparkles, filled with a green-to-cyan gradient.
class BubblesSymbol : public Gtk::DrawingArea {
 public:
  BubblesSymbol() {
    set_content_width(60);
    set_content_height(56);
    set_halign(Gtk::Align::CENTER);
    hideFromAssistiveTechnology(*this);
    set_draw_func([](const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
      const double s = std::min(width / 60.0, height / 56.0);
      cr->scale(s, s);
      auto sparkle = [&](double x, double y, double r) {
        cr->move_to(x, y - r);
        cr->curve_to(x + r * 0.12, y - r * 0.12, x + r * 0.12, y - r * 0.12, x + r, y);
        cr->curve_to(x + r * 0.12, y + r * 0.12, x + r * 0.12, y + r * 0.12, x, y + r);
        cr->curve_to(x - r * 0.12, y + r * 0.12, x - r * 0.12, y + r * 0.12, x - r, y);
        cr->curve_to(x - r * 0.12, y - r * 0.12, x - r * 0.12, y - r * 0.12, x, y - r);
        cr->close_path();
      };
      for (const auto [x, y, r] : {std::array{24.0, 34.0, 17.0}, {46.0, 20.0, 9.0}, {48.0, 44.0, 5.5}}) {
        cr->begin_new_sub_path();
        cr->arc(x, y, r, 0, 2 * std::numbers::pi);
        cr->close_path();
      }
      sparkle(12, 9, 8);
      sparkle(33, 6, 5);
      const auto green = palette::green;
      const auto cyan = palette::cyan;
      auto gradient = Cairo::LinearGradient::create(0, 0, 60, 56);
      gradient->add_color_stop_rgba(0, green.r, green.g, green.b, 0.7);
      gradient->add_color_stop_rgba(1, cyan.r, cyan.g, cyan.b, 0.5);
      cr->set_source(gradient);
      cr->fill();
    });
  }
};

}  // namespace

// One step: its state's indicator, the label and the tag.
class GameCellView::StepRow : public Gtk::Box {
 public:
  explicit StepRow(const MaterializationStep& step) : Gtk::Box(Gtk::Orientation::HORIZONTAL, 12) {
    add_css_class("game-step");
    auto* done = makeSymbol("checkmark.circle.fill");
    done->add_css_class("game-step-done");
    setAccessibleLabel(*done, "Done");
    auto* pending = makeSymbol("circle");
    pending->add_css_class("game-step-pending");
    setAccessibleLabel(*pending, "Pending");
    setAccessibleLabel(spinner_, "In progress");
    indicator_.set_transition_type(Gtk::StackTransitionType::CROSSFADE);
    indicator_.set_transition_duration(kStepEaseMs);
    indicator_.set_size_request(20, -1);
    indicator_.add(*done, "done");
    indicator_.add(spinner_, "current");
    indicator_.add(*pending, "pending");
    append(indicator_);

    auto* label = Gtk::make_managed<Gtk::Label>(step.label);
    label->add_css_class("game-step-label");
    label->set_xalign(0);
    label->set_hexpand(true);
    wrapAnywhere(*label);
    // With unrounded metrics the 13 px face sits between pixel rows, and the
    // cairo renderer, clipping to the membrane's rounded outline, cuts the
    // glyphs' top row: the dots of "i" and the tops of "f" went missing.
    label->set_font_options(wholePixelMetrics());
    append(*label);

    auto* tag = Gtk::make_managed<Gtk::Label>(step.tag);
    tag->add_css_class("game-step-tag");
    tag->set_valign(Gtk::Align::CENTER);
    append(*tag);
  }

  void show(StepState state) {
    static constexpr const char* kNames[] = {"done", "current", "pending"};
    const char* name = kNames[static_cast<int>(state)];
    for (const char* other : kNames) remove_css_class(other);
    add_css_class(name);
    indicator_.set_visible_child(name);
    // A spinner turns only while it is the current step.
    if (state == StepState::current) {
      spinner_.start();
    } else {
      spinner_.stop();
    }
  }

 private:
  Gtk::Stack indicator_;
  Gtk::Spinner spinner_;
};

GameCellView::GameCellView(const std::string& gameName, std::function<void()> onDismiss,
                           Scheduler& scheduler)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      header_("gamecontroller.fill", palette::green, shownText(gameName), shownText(dnaBackbone(gameName)) + " DNA",
              std::move(onDismiss)),
      sequence_(scheduler, [this] { showSequence(); }) {
  add_css_class("game-cell");
  append(header_);
  append(divider_);

  buildPanel(shownText(dnaBackbone(gameName)));
  page_.set_hexpand(true);
  page_.set_vexpand(true);
  page_.add_css_class("game-page");
  page_.set_can_target(false);
  content_.set_hexpand(true);
  content_.set_vexpand(true);
  content_.set_child(page_);
  content_.add_overlay(panel_);
  content_.set_measure_overlay(panel_, true);
  append(content_);
  showSequence();

  // The sequence starts when the cell is first on screen.
  signal_map().connect([this] { sequence_.start(); });
}

GameCellView::~GameCellView() {
  sequence_.cancel();
  web_.reset();
}

void GameCellView::cellDissolving() {
  sequence_.cancel();
  if (web_) web_->end();
}

void GameCellView::buildPanel(const std::string& backbone) {
  panel_.add_css_class("game-panel");
  panel_.set_valign(Gtk::Align::CENTER);
  panel_.set_margin(16);
  panel_.append(*Gtk::make_managed<BubblesSymbol>());

  auto* title = Gtk::make_managed<Gtk::Label>("Materializing Cell");
  title->add_css_class("game-title");
  panel_.append(*title);

  const auto texts = materializationSteps(backbone);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    rows_[i] = Gtk::make_managed<StepRow>(texts[i]);
    steps_.append(*rows_[i]);
  }
  stepsBin_.setChild(steps_);
  panel_.append(stepsBin_);

  auto* divider = Gtk::make_managed<Gtk::Separator>(Gtk::Orientation::HORIZONTAL);
  divider->set_margin_start(40);
  divider->set_margin_end(40);
  panel_.append(*divider);

  auto* source = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 4);
  for (const std::string& line : {"Source DNA: " + backbone, std::string("Protocol: HTTPS + WebSocket"),
                                  std::string("Persistence: Cloud-sync on dissolve \u00b7 Nothing local")}) {
    auto* label = Gtk::make_managed<Gtk::Label>(line);
    label->add_css_class("game-source");
    wrapAnywhere(*label);
    label->set_justify(Gtk::Justification::CENTER);
    label->set_font_options(wholePixelMetrics());
    source->append(*label);
  }
  panel_.append(*source);
}

void GameCellView::showSequence() {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    rows_[i]->show(stepState(static_cast<int>(i), sequence_.stepIndex()));
  }
  if (sequence_.stepIndex() >= 1 && !web_) makePage();
  if (!sequence_.isCellActive() || pageShown_) return;
  // A 400 ms cross-fade (the styles' opacity transitions); the faded panel
  // takes no input and is no longer read out.
  pageShown_ = true;
  page_.add_css_class("shown");
  page_.set_can_target(true);
  panel_.add_css_class("gone");
  panel_.set_can_target(false);
  gtk_accessible_update_state(GTK_ACCESSIBLE(panel_.gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
}

// The page is made once per cell and loaded as a string with no base
// address: it can refer to nothing outside itself.
void GameCellView::makePage() {
  web_ = std::make_unique<CellWebView>();
  web_->refuseFileChoosers();
  // Whatever the page has not painted yet shows the frame, not a white sheet.
  const GdkRGBA transparent{0, 0, 0, 0};
  webkit_web_view_set_background_color(web_->view(), &transparent);
  gtk_box_append(page_.gobj(), web_->widget());
  webkit_web_view_load_html(web_->view(), matchThreeHTML().c_str(), nullptr);
}

}  // namespace kivari
