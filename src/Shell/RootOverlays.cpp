#include "Shell/RootOverlays.h"

#include "Shell/GstDroneOutput.h"
#include "Ui/Widgets.h"

#include <algorithm>
#include <thread>

namespace kivari {

namespace {

constexpr Scheduler::Duration kCatalogFade{250};

}  // namespace

RootOverlays::RootOverlays(Gtk::Overlay& root, AppState& state, Scheduler& scheduler, const LaunchOptions& options)
    : root_(root),
      state_(state),
      scheduler_(scheduler),
      droneOutput_(options.droneOutput ? options.droneOutput : DroneOutputFactory(&makeGstDroneOutput)),
      banner_(scheduler),
      steps_(scheduler) {
  banner_.set_valign(Gtk::Align::START);
  root_.add_overlay(banner_);

  if (options.splash) {
    splash_ = std::make_unique<SplashView>(scheduler_, [this] { splashCompleted(); });
    root_.add_overlay(*splash_);
    // Under the opaque splash the desktop gradient is not drawn at all, once
    // the first frame has drawn (and cached) it; it shows again for the fade.
    if (Gtk::Widget* gradient = root_.get_child()) {
      splash_->add_tick_callback([gradient, frames = 0](const Glib::RefPtr<Gdk::FrameClock>&) mutable {
        if (++frames < 2) return true;
        gradient->set_opacity(0);
        return false;
      });
      splash_->signalFadeOut().connect([gradient] { gradient->set_opacity(1); });
    }
  }

  catalogChanged_ = state_.signalShowCatalogChanged().connect([this] { showCatalog(state_.showCatalog()); });
  showCatalog(state_.showCatalog());

  // The drone starts when the root is first shown, under the splash.
  firstShown_ = root_.signal_map().connect([this] {
    firstShown_.disconnect();
    if (splash_) openDrone();
  });
}

RootOverlays::~RootOverlays() {
  *self_ = nullptr;
  catalogChanged_.disconnect();
  firstShown_.disconnect();
  steps_.cancelAll();
  if (splash_) root_.remove_overlay(*splash_);
  if (catalog_) root_.remove_overlay(catalog_->layer);
  for (auto& layer : leaving_) root_.remove_overlay(layer->layer);
  root_.remove_overlay(banner_);
}

void RootOverlays::openDrone() {
  // The samples and the sound device's start take a while: a thread of
  // their own does them, so the splash's frames keep coming. The main loop
  // takes the output over at default priority, which frames never starve.
  // A sound server that never answers keeps the thread for as long as it
  // likes: nothing waits for it, and a late output finds this gone.
  struct Handoff {
    std::shared_ptr<RootOverlays*> self;
    std::shared_ptr<DroneOutput> output;
    SoundWork work;  // over once the main loop has dealt with the output
  };
  std::thread([factory = droneOutput_, self = self_, work = SoundWork()]() mutable {
    auto* handoff = new Handoff{self, AmbientAudio::openOutput(factory), std::move(work)};
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        +[](gpointer data) {
          auto& h = *static_cast<Handoff*>(data);
          if (*h.self != nullptr) {
            (*h.self)->droneOpened(std::move(h.output));
          } else if (h.output) {
            h.output->stop();
          }
          return G_SOURCE_REMOVE;
        },
        handoff, +[](gpointer data) { delete static_cast<Handoff*>(data); });
  }).detach();
}

void RootOverlays::droneOpened(std::shared_ptr<DroneOutput> output) {
  // A splash that completed first leaves nothing to start.
  if (!splash_) {
    if (output) output->stop();
    return;
  }
  drone_ = std::make_unique<AmbientAudio>(scheduler_, droneOutput_);
  drone_->start(std::move(output));
}

void RootOverlays::splashCompleted() {
  if (Gtk::Widget* gradient = root_.get_child()) gradient->set_opacity(1);
  root_.remove_overlay(*splash_);
  splash_.reset();
  if (drone_) drone_->fadeOut();
  coverChanged_.emit();
}

void RootOverlays::showCatalog(bool show) {
  if (show == (catalog_ != nullptr)) return;
  if (!show) {
    // Fades away taking no clicks or keys, then goes.
    catalog_->layer.add_css_class("away");
    startLeaving(catalog_->layer);
    CatalogLayer* raw = catalog_.get();
    leaving_.push_back(std::move(catalog_));
    steps_.schedule(kCatalogFade, [this, raw] {
      const auto it = std::find_if(leaving_.begin(), leaving_.end(), [raw](const auto& l) { return l.get() == raw; });
      if (it == leaving_.end()) return;
      root_.remove_overlay((*it)->layer);
      leaving_.erase(it);
    });
    coverChanged_.emit();
    return;
  }
  catalog_ = std::make_unique<CatalogLayer>();
  auto& layer = *catalog_;
  layer.layer.add_css_class("catalog-layer");
  layer.layer.add_css_class("away");
  layer.scrim.add_css_class("catalog-scrim");
  layer.scrim.set_hexpand(true);
  layer.scrim.set_vexpand(true);
  auto tap = Gtk::GestureClick::create();
  tap->signal_released().connect([this](int, double, double) { state_.setShowCatalog(false); });
  layer.scrim.add_controller(tap);
  layer.layer.set_child(layer.scrim);
  layer.panel = std::make_unique<CellCatalogView>(
      [this](const std::string& prompt) {
        state_.setShowCatalog(false);
        state_.setIntentText(prompt);
        state_.submit();
      },
      [this] { state_.setShowCatalog(false); });
  // Seen blurred through the card: the desktop and its layers.
  std::vector<Gtk::Widget*> backdrop;
  for (Gtk::Widget* w = root_.get_first_child(); w != nullptr && w != &banner_; w = w->get_next_sibling()) {
    backdrop.push_back(w);
  }
  layer.panel->setBackdrop(backdrop);
  layer.layer.add_overlay(*layer.panel);
  // Above the banner, below the splash.
  if (splash_) {
    layer.layer.insert_before(root_, *splash_);
  } else {
    root_.add_overlay(layer.layer);
  }
  enterFrom(layer.layer, "away", [&layer] { return layer.layer.get_can_target(); });
  coverChanged_.emit();
}

}  // namespace kivari
