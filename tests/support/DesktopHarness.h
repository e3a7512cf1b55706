#pragma once

#include "Core/AppState.h"
#include "Shell/CardViews.h"
#include "Shell/ContentView.h"
#include "Ui/Style.h"

#include "GuiSupport.h"
#include "MainLoop.h"

#include <gtkmm.h>

#include <memory>
#include <string>

namespace kivari::testing {

// The whole desktop in a window of its own, on the scheduler a test picks,
// driven through the X server as a person would. Close it in TearDown: the
// desktop holds steps on the test's scheduler until it goes.
class DesktopHarness {
 protected:
  bool openDesktop(Scheduler& scheduler, AppStateServices services = {},
                   std::unique_ptr<ManifestRegistry> registry = nullptr, const LaunchOptions& launch = {}) {
    installStyle();
    manualClock_ = dynamic_cast<ManualScheduler*>(&scheduler);
    if (!registry) registry = std::make_unique<ManifestRegistry>(std::nullopt);
    state = std::make_unique<AppState>(std::move(registry), std::move(services));
    window = std::make_unique<Gtk::Window>();
    window->set_title("Kivari");
    window->set_decorated(false);
    window->set_default_size(1024, 700);
    window->add_css_class("kivari");
    content = std::make_unique<ContentView>(*window, *state, scheduler, launch);
    window->set_child(*content);
    window->present();
    const bool mapped = pumpUntil([&] { return window->get_mapped(); }, 3000);
    pump(150);
    return mapped;
  }

  // Pointer focus: crossing into the window gives it the keyboard.
  static void takeKeyboard() {
    xdotool({"mousemove", "1500", "950"});
    pump(50);
    xdotool({"mousemove", "512", "350"});
    pump(100);
  }

  // Waits as a person would until the card shown takes Allow: a frame that
  // shows it, then its half second on the desktop's clock.
  bool waitUntilCardTakesAllow() {
    if (content->cardLayer() == nullptr) return false;
    // The card counts from the end of the first frame that shows it.
    if (!pumpUntil([&] {
          const CardConsent* consent = content->cardConsent();
          return consent != nullptr && consent->seen();
        }, 3000)) {
      return false;
    }
    if (manualClock_ != nullptr) manualClock_->advance(CardConsent::kUnseenGrace);
    return pumpUntil([&] {
      const CardConsent* consent = content->cardConsent();
      return consent != nullptr && consent->takesPress();
    }, 3000);
  }

  void closeDesktop() {
    if (window) window->hide();
    pump(50);
    content.reset();
    window.reset();
    state.reset();
  }

  // Types the request into the prompt, allows it on the card with Return and
  // waits for its cell to show; null when any step does not come.
  template <typename Cell>
  Cell* openByTyping(const std::string& request) {
    auto& field = content->promptDesktop().promptField();
    if (!pumpUntil([&] { return holdsFocus(*window, field); }, 3000)) return nullptr;
    xdotool({"type", "--delay", "15", request});
    if (!pumpUntil([&] { return state->intentText() == request; }, 3000)) return nullptr;
    xdotool({"key", "Return"});
    if (!pumpUntil([&] {
          auto* card = findIn<CapabilityPromptView>(content->cardLayer());
          return card != nullptr && card->allowButton().has_focus();
        }, 3000) ||
        !waitUntilCardTakesAllow()) {
      return nullptr;
    }
    xdotool({"key", "Return"});
    Cell* cell = nullptr;
    pumpUntil([&] { return (cell = findIn<Cell>(content->cellLayer())) != nullptr && cell->get_mapped(); }, 3000);
    return cell;
  }

  bool dissolveWithEsc() {
    xdotool({"key", "Escape"});
    return pumpUntil([&] { return state->mode() == AppMode::prompt(); }, 3000);
  }

  std::unique_ptr<AppState> state;
  std::unique_ptr<Gtk::Window> window;
  std::unique_ptr<ContentView> content;

 private:
  ManualScheduler* manualClock_ = nullptr;
};

}  // namespace kivari::testing
