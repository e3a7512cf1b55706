#include "Shell/ContentView.h"

namespace kivari {

namespace {

void styleLayer(Gtk::Widget& layer, const char* kind) {
  layer.add_css_class("layer");
  layer.add_css_class(kind);
  layer.set_hexpand(true);
  layer.set_vexpand(true);
}

}  // namespace

ContentView::ContentView(Gtk::Window& window, AppState& state, Scheduler& scheduler)
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
  styleLayer(cardScrim_, "card-layer");
  cardScrim_.add_css_class("scrim");
  // The scrim takes every click so the desktop beneath cannot be used.
  auto clickCatcher = Gtk::GestureClick::create();
  clickCatcher->signal_pressed().connect([g = clickCatcher.get()](int, double, double) {
    g->set_state(Gtk::EventSequenceState::CLAIMED);
  });
  cardScrim_.add_controller(clickCatcher);
  styleLayer(cellLayer_, "cell-layer");

  layerArea_.add_overlay(promptDesktop_);
  layerArea_.add_overlay(cellLayer_);
  layerArea_.add_overlay(cardScrim_);

  column_.append(layerArea_);
  column_.append(compactBar_);
  column_.append(ribbon_);
  add_overlay(column_);

  escape_ = std::make_unique<EscapeKeyMonitor>(
      window, [this] { return plan_.escapeDissolves; }, [this] { state_.dissolve(); });

  connections_.push_back(
      state_.signalModeChanged().connect([this] { applyMode(/*animate=*/true); }));
  connections_.push_back(state_.signalStatusMessagesChanged().connect(
      [this] { ribbon_.update(state_.statusMessages()); }));
  ribbon_.update(state_.statusMessages());

  promptDesktop_.set_visible(false);
  cardScrim_.set_visible(false);
  cellLayer_.set_visible(false);
  compactBar_.set_visible(false);
  plan_ = LayerPlan{};
  applyMode(/*animate=*/false);
}

ContentView::~ContentView() {
  for (auto& c : connections_) c.disconnect();
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
  setPresent(cardScrim_, next.dnaPicker || next.capabilityCard, animate);
  setPresent(cellLayer_, next.cell, animate);
  compactBar_.set_visible(next.compactBar);
  if (next.promptDesktop && !previous.promptDesktop && compactBar_.field().is_focus()) {
    promptDesktop_.promptField().grab_focus();
  }
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
