#include "Shell/ContentView.h"

#include "Shell/CardViews.h"
#include "Shell/CellLayer.h"
#include "Shell/Widgets.h"

#include <algorithm>

namespace kivari {

namespace {

void styleLayer(Gtk::Widget& layer, const char* kind) {
  layer.add_css_class("layer");
  layer.add_css_class(kind);
  layer.set_hexpand(true);
  layer.set_vexpand(true);
}

// A dimming scrim that takes every click, with the card centred over it.
class CardLayer : public Gtk::Overlay {
 public:
  explicit CardLayer(Gtk::Widget* card, int maxWidth) : bin_(maxWidth) {
    scrim_.add_css_class("scrim");
    scrim_.set_hexpand(true);
    scrim_.set_vexpand(true);
    auto clickCatcher = Gtk::GestureClick::create();
    clickCatcher->signal_pressed().connect([g = clickCatcher.get()](int, double, double) {
      g->set_state(Gtk::EventSequenceState::CLAIMED);
    });
    scrim_.add_controller(clickCatcher);
    set_child(scrim_);
    surface_.add_css_class("card-surface");
    surface_.append(*card);
    bin_.setChild(surface_);
    bin_.set_halign(Gtk::Align::FILL);
    bin_.set_valign(Gtk::Align::CENTER);
    bin_.set_margin(24);
    add_overlay(bin_);
  }

 private:
  Gtk::Box scrim_;
  Gtk::Box surface_;
  MaxWidthBin bin_;
};

}  // namespace

ContentView::ContentView(Gtk::Window& window, AppState& state, Scheduler& scheduler,
                         const LaunchOptions& launch)
    : state_(state),
      scheduler_(scheduler),
      promptModel_(scheduler),
      promptDesktop_(state, promptModel_, scheduler),
      compactBar_(state) {
  set_child(background_);

  layerBase_.set_hexpand(true);
  layerBase_.set_vexpand(true);
  layerArea_.set_child(layerBase_);
  layerArea_.set_vexpand(true);
  styleLayer(promptDesktop_, "desktop-layer");
  layerArea_.add_overlay(promptDesktop_);

  column_.append(layerArea_);
  column_.append(compactBar_);
  column_.append(ribbon_);
  add_overlay(column_);

  keys_ = std::make_unique<KeyMonitor>(
      window, [this] { return std::make_pair(plan_.escapeDissolves, plan_.capabilityCard); },
      [this](KeyAction action) {
        switch (action) {
          case KeyAction::dissolve: state_.dissolve(); break;
          case KeyAction::deny: state_.deny(); break;
          case KeyAction::allow:
            if (const auto* card = state_.mode().as<AppMode::CapabilityPrompt>()) {
              state_.allow(Expression(card->expression));
            }
            break;
          case KeyAction::none: break;
        }
      });

  connections_.push_back(
      state_.signalModeChanged().connect([this] { applyMode(/*animate=*/true); }));
  connections_.push_back(state_.signalStatusMessagesChanged().connect(
      [this] { ribbon_.update(state_.statusMessages()); }));
  ribbon_.update(state_.statusMessages());

  promptDesktop_.set_visible(false);
  compactBar_.set_visible(false);
  plan_ = LayerPlan{};
  applyMode(/*animate=*/false);
  overlays_ = std::make_unique<RootOverlays>(*this, state_, scheduler_, launch);
}

ContentView::~ContentView() {
  overlays_.reset();
  for (auto& c : connections_) c.disconnect();
  for (auto& layer : leaving_) layerArea_.remove_overlay(*layer);
  if (card_) layerArea_.remove_overlay(*card_);
  if (cell_) layerArea_.remove_overlay(*cell_);
}

std::unique_ptr<Gtk::Widget> ContentView::buildCard() {
  if (const auto* picker = state_.mode().as<AppMode::DnaPicker>()) {
    auto* card = Gtk::make_managed<DNAPickerView>(
        picker->category,
        [this](const Url& url, const std::string& provider) { state_.pickDNA(url, provider); },
        [this] { state_.cancelPicker(); });
    return std::make_unique<CardLayer>(card, 520);
  }
  if (const auto* prompt = state_.mode().as<AppMode::CapabilityPrompt>()) {
    const Expression expression = prompt->expression;
    auto* card = Gtk::make_managed<CapabilityPromptView>(
        expression, [this, expression] { state_.allow(expression); }, [this] { state_.deny(); });
    auto layer = std::make_unique<CardLayer>(card, 380 + 2 * 28);
    card->allowButton().signal_map().connect([card] { card->allowButton().grab_focus(); });
    return layer;
  }
  return nullptr;
}

void ContentView::applyMode(bool animate) {
  const LayerPlan next = layerPlan(state_.mode());
  const LayerPlan previous = plan_;
  plan_ = next;

  if (next.promptDesktop != previous.promptDesktop) {
    if (next.promptDesktop) {
      promptDesktop_.shown();
    } else {
      promptDesktop_.hidden();
    }
  }
  setPresent(promptDesktop_, next.promptDesktop, animate);

  // Every change of mode brings a new card or cell of its own.
  retire(std::move(card_), animate);
  // A leaving cell stops at once; only its look stays for the fade.
  if (cell_) cell_->dissolving();
  retire(std::move(cell_), animate);
  if (next.dnaPicker || next.capabilityCard) {
    card_ = buildCard();
    styleLayer(*card_, "card-layer");
    enter(*card_, animate);
  }
  if (const auto* open = state_.mode().as<AppMode::Expressing>()) {
    const unsigned generation = ++cellGeneration_;
    // A close that fires after its cell was replaced must not dissolve the next one.
    auto dismiss = [this, generation, alive = std::weak_ptr<bool>(alive_)] {
      if (alive.expired() || generation != cellGeneration_ || !state_.mode().isExpressing()) return;
      state_.dissolve();
    };
    cell_ = buildCellLayer(open->expression, state_, scheduler_, dismiss);
    styleLayer(*cell_, "cell-layer");
    enter(*cell_, animate);
  }
  compactBar_.set_visible(next.compactBar);
  if (next.promptDesktop && !previous.promptDesktop && compactBar_.field().is_focus()) {
    promptDesktop_.promptField().grab_focus();
  }
}

void ContentView::enter(Gtk::Widget& layer, bool animate) {
  layerArea_.add_overlay(layer);
  if (!animate) return;
  layer.add_css_class("away");
  layer.add_tick_callback([&layer](const Glib::RefPtr<Gdk::FrameClock>&) {
    layer.remove_css_class("away");
    return false;
  });
}

void ContentView::retire(std::unique_ptr<Gtk::Widget> layer, bool animate) {
  if (!layer) return;
  if (!animate) {
    layerArea_.remove_overlay(*layer);
    return;
  }
  layer->add_css_class("away");
  layer->set_can_target(false);
  Gtk::Widget* raw = layer.get();
  leaving_.push_back(std::move(layer));
  scheduler_.schedule(Scheduler::Duration{kModeAnimationMs},
                      [this, raw, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired()) return;
    const auto it = std::find_if(leaving_.begin(), leaving_.end(),
                                 [raw](const auto& l) { return l.get() == raw; });
    if (it == leaving_.end()) return;
    layerArea_.remove_overlay(**it);
    leaving_.erase(it);
  });
}

void ContentView::setPresent(Gtk::Widget& layer, bool present, bool animate) {
  const unsigned generation = ++generations_[&layer];
  if (present) {
    if (layer.get_visible() && !layer.has_css_class("away")) return;
    if (!layer.get_visible()) {
      layer.add_css_class("away");
      layer.set_visible(true);
    }
    if (!animate) {
      layer.remove_css_class("away");
      return;
    }
    // Let the first frame draw it "away", then transition to its place.
    layer.add_tick_callback([&layer, this, generation](const Glib::RefPtr<Gdk::FrameClock>&) {
      if (generations_[&layer] == generation) layer.remove_css_class("away");
      return false;
    });
    return;
  }
  if (!layer.get_visible()) return;
  if (!animate) {
    layer.set_visible(false);
    return;
  }
  layer.add_css_class("away");
  scheduler_.schedule(Scheduler::Duration{kModeAnimationMs},
                      [this, &layer, generation, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired()) return;
    if (generations_[&layer] == generation) layer.set_visible(false);
  });
}

}  // namespace kivari
