// The root view's overlays on a real display: the catalog, the banner, the
// splash with its drone, and how entrances start.
#include "Shell/RootOverlays.h"
#include "Shell/SecurityAlertView.h"
#include "Shell/SplashView.h"
#include "Ui/Widgets.h"

#include "DesktopHarness.h"
#include "GuiSupport.h"
#include "MainLoop.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <atomic>
#include <functional>
#include <thread>

// Last: the X11 headers define names such as None.
#include "XPointer.h"

namespace kivari {
namespace {

using testing::clickAt;
using testing::pump;
using testing::pumpUntil;

Gtk::Label* findLabel(Gtk::Widget& root, const std::string& text) {
  if (auto* label = dynamic_cast<Gtk::Label*>(&root); label != nullptr && label->get_text().raw() == text) return label;
  for (auto* c = root.get_first_child(); c != nullptr; c = c->get_next_sibling()) {
    if (auto* found = findLabel(*c, text)) return found;
  }
  return nullptr;
}

std::unique_ptr<Gtk::Window> makeWindow() {
  installStyle();
  auto window = std::make_unique<Gtk::Window>();
  window->set_decorated(false);
  window->set_default_size(1024, 700);
  window->add_css_class("kivari");
  return window;
}

class CatalogGuiTest : public ::testing::Test, protected testing::DesktopHarness {
 protected:
  void TearDown() override { closeDesktop(); }
  MainLoopScheduler scheduler;
};

TEST_F(CatalogGuiTest, ClickingAWayCapsuleSubmitsItsEntrysPrompt) {
  AppStateServices services;
  services.classify = [](const std::string& request, const ManifestRegistry&) {
    return request == "mute" ? ClassifiedIntent{std::nullopt, SystemControlAction::mute, std::nullopt}
                             : ClassifiedIntent{};
  };
  services.executeSystemAction = [](SystemControlAction) { return SystemActionResult{true, "muted"}; };
  ASSERT_TRUE(openDesktop(scheduler, std::move(services)));

  state->setShowCatalog(true);
  ASSERT_TRUE(pumpUntil([&] { return content->overlays().catalog() && content->overlays().catalog()->get_mapped(); }));
  auto* catalog = content->overlays().catalog();
  // "quiet" is a way of "mute"; bring that entry into view first.
  Gtk::Label* quiet = findLabel(*catalog, "quiet");
  ASSERT_NE(quiet, nullptr);
  auto* scroller = dynamic_cast<Gtk::ScrolledWindow*>(quiet->get_ancestor(GTK_TYPE_SCROLLED_WINDOW));
  ASSERT_NE(scroller, nullptr);
  auto adjustment = scroller->get_vadjustment();
  ASSERT_TRUE(pumpUntil([&] { return adjustment->get_upper() > adjustment->get_page_size(); }));
  double x = 0, y = 0;
  ASSERT_TRUE(quiet->translate_coordinates(*scroller, 0, 0, x, y));
  adjustment->set_value(y - 100);
  pump(200);
  ASSERT_TRUE(clickAt(*window, *quiet, quiet->get_width() / 2.0, quiet->get_height() / 2.0));
  ASSERT_TRUE(pumpUntil([&] { return state->statusMessages().size() == 3; }));
  EXPECT_EQ(state->statusMessages()[1].text, "mute");
  EXPECT_FALSE(state->showCatalog());
  // The panel fades away and goes.
  EXPECT_TRUE(pumpUntil([&] { return findLabel(*content, "quiet") == nullptr; }));
}

TEST(OverlaysGuiTest, AClickThroughTheBannerReachesTheWidgetUnderIt) {
  ManualScheduler scheduler;
  auto window = makeWindow();
  Gtk::Overlay root;
  Gtk::Button under("Under");
  int clicks = 0;
  under.signal_clicked().connect([&] { ++clicks; });
  root.set_child(under);
  SecurityAlertView banner(scheduler, UniformRandom(3));
  root.add_overlay(banner);
  window->set_child(root);
  window->present();
  ASSERT_TRUE(pumpUntil([&] { return banner.get_mapped(); }));
  for (int i = 0; i < 30 && banner.loop().phase() != AlertPhase::threat; ++i) scheduler.advance(std::chrono::seconds(1));
  ASSERT_EQ(banner.loop().phase(), AlertPhase::threat);
  ASSERT_TRUE(pumpUntil([&] { return banner.banner().get_mapped() && !banner.banner().has_css_class("away"); }));
  pump(500);  // slid in
  ASSERT_TRUE(clickAt(*window, banner.banner(), banner.banner().get_width() / 2.0, banner.banner().get_height() / 2.0));
  EXPECT_TRUE(pumpUntil([&] { return clicks == 1; }));
  window->hide();
  pump(50);
}

TEST(OverlaysGuiTest, TheGlowPulsesAtEveryNoticeAndRestsBetween) {
  ManualScheduler scheduler;
  auto window = makeWindow();
  SecurityAlertView banner(scheduler, UniformRandom(5));
  window->set_child(banner);
  window->present();
  ASSERT_TRUE(pumpUntil([&] { return banner.get_mapped(); }));
  for (int notice = 0; notice < 2; ++notice) {
    SCOPED_TRACE(notice);
    for (int i = 0; i < 7000 && banner.loop().phase() != AlertPhase::threat; ++i) {
      scheduler.advance(std::chrono::milliseconds(50));  // within a step of the pulse
    }
    ASSERT_EQ(banner.loop().phase(), AlertPhase::threat);
    scheduler.advance(std::chrono::milliseconds(800));
    EXPECT_EQ(banner.banner().glowStep(), NoticeBanner::kGlowSteps);
    scheduler.advance(std::chrono::milliseconds(800));
    EXPECT_EQ(banner.banner().glowStep(), 0);
    scheduler.advance(std::chrono::milliseconds(2400));  // secured: at rest
    ASSERT_EQ(banner.loop().phase(), AlertPhase::secured);
    EXPECT_EQ(banner.banner().glowStep(), 0);
    scheduler.advance(std::chrono::milliseconds(2500));
    pump(50);
  }
  window->hide();
  pump(50);
}

TEST(OverlaysGuiTest, SplashCompletesOnceAndStopsDrawing) {
  ManualScheduler scheduler;
  auto window = makeWindow();
  int completions = 0;
  SplashView splash(scheduler, [&] { ++completions; });
  window->set_child(splash);
  window->present();
  ASSERT_TRUE(pumpUntil([&] { return splash.isAnimating(); }));
  scheduler.advance(std::chrono::milliseconds(4999));
  EXPECT_EQ(completions, 0);
  EXPECT_TRUE(splash.title().has_css_class("shown"));
  EXPECT_TRUE(splash.has_css_class("faded"));
  scheduler.advance(std::chrono::milliseconds(1));
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(splash.isAnimating());
  window->hide();
  pump(50);
  window->present();  // shown again: it stays complete and still
  pump(100);
  scheduler.advance(std::chrono::seconds(10));
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(splash.isAnimating());
  window->hide();
  pump(50);
}


// A CSS transition plays only from a look GTK has drawn: the class must
// still be on in the first frame painted after the entrance begins.
TEST(OverlaysGuiTest, AnEntranceTakesItsClassOffOnlyAfterAFrameDrewIt) {
  auto window = makeWindow();
  Gtk::Box box;
  Gtk::Label entering("entering"), recalled("recalled");
  box.append(entering);
  box.append(recalled);
  window->set_child(box);
  window->present();
  ASSERT_TRUE(pumpUntil([&] { return window->get_mapped(); }));
  pump(100);
  struct Paints {
    Gtk::Label* label;
    std::vector<bool> withClass;
  } paints{&entering, {}};
  GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window->gobj()));
  const gulong id = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer data) {
                                       auto* p = static_cast<Paints*>(data);
                                       p->withClass.push_back(p->label->has_css_class("away"));
                                     }),
                                     &paints);
  entering.add_css_class("away");
  recalled.add_css_class("away");
  enterFrom(entering, "away");
  enterFrom(recalled, "away", [] { return false; });  // sent away again before it came
  EXPECT_TRUE(pumpUntil([&] { return !entering.has_css_class("away"); }));
  g_signal_handler_disconnect(clock, id);
  ASSERT_FALSE(paints.withClass.empty());
  EXPECT_TRUE(paints.withClass.front());
  EXPECT_TRUE(recalled.has_css_class("away"));
  window->hide();
  pump(50);
}

// A sound output that opens only when the test lets it.
struct GatedOutput : DroneOutput {
  std::atomic<bool> stopped = false;
  float volume() const override { return 0; }
  void setVolume(float) override {}
  void stop() override { stopped = true; }
};

// A bare root with the splash asked for, on a clock of its own.
struct SplashRoot {
  SplashRoot() {
    root.set_child(desktop);
    options.splash = true;
  }
  ManualScheduler scheduler;
  AppState state{std::make_unique<ManifestRegistry>(std::nullopt), AppStateServices{}};
  std::unique_ptr<Gtk::Window> window = makeWindow();
  Gtk::Overlay root;
  Gtk::Box desktop;
  LaunchOptions options;
};

TEST(OverlaysGuiTest, TheDroneStartsUnderTheSplashAndNotOnceTheSplashHasGone) {
  for (const bool splashGoneFirst : {false, true}) {
    SCOPED_TRACE(splashGoneFirst ? "splash gone first" : "splash still shown");
    SplashRoot r;
    auto& [scheduler, state, window, root, desktop, options] = r;
    std::atomic<bool> open = false;
    auto output = std::make_shared<GatedOutput>();
    options.droneOutput = [&](std::shared_ptr<const std::vector<float>>) -> std::shared_ptr<DroneOutput> {
      while (!open) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return output;
    };
    {
      RootOverlays overlays(root, state, scheduler, options);
      window->set_child(root);
      window->present();
      ASSERT_TRUE(pumpUntil([&] { return overlays.splash() != nullptr && overlays.splash()->isAnimating(); }));
      if (splashGoneFirst) {
        scheduler.advance(std::chrono::seconds(5));
        ASSERT_EQ(overlays.splash(), nullptr);
      }
      open = true;
      if (splashGoneFirst) {
        EXPECT_TRUE(pumpUntil([&] { return output->stopped.load(); }));
        EXPECT_EQ(overlays.drone(), nullptr);
      } else {
        ASSERT_TRUE(pumpUntil([&] { return overlays.drone() != nullptr; }));
        EXPECT_TRUE(overlays.drone()->isPlaying());
        EXPECT_FALSE(output->stopped);
      }
      window->hide();
      pump(50);
      window->unset_child();
    }
  }
}

TEST(OverlaysGuiTest, GoingWhileTheDroneStillOpensWaitsForNothingAndTheLateOutputIsLetGo) {
  struct Gate {
    std::atomic<bool> opening = false, open = false, gaveUp = false;
  };
  auto gate = std::make_shared<Gate>();
  auto output = std::make_shared<GatedOutput>();
  SplashRoot r;
  auto& [scheduler, state, window, root, desktop, options] = r;
  // A sound server that never answers. It gives up after 10 s, so that
  // overlays waiting for it fail the test rather than hang it.
  options.droneOutput = [gate, output](std::shared_ptr<const std::vector<float>>) -> std::shared_ptr<DroneOutput> {
    gate->opening = true;
    for (int ms = 0; !gate->open && !gate->gaveUp; ++ms) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      gate->gaveUp = ms == 10000;
    }
    return output;
  };
  {
    RootOverlays overlays(root, state, scheduler, options);
    window->set_child(root);
    window->present();
    ASSERT_TRUE(pumpUntil([&] { return gate->opening.load(); }));
    window->hide();
    pump(50);
    window->unset_child();
  }
  EXPECT_FALSE(gate->gaveUp);
  // The process's end knows the opening is still under way.
  EXPECT_FALSE(SoundWork::settle(std::chrono::milliseconds(0)));
  gate->open = true;
  EXPECT_TRUE(pumpUntil([&] { return output->stopped.load(); }));
  EXPECT_TRUE(pumpUntil([] { return SoundWork::settle(std::chrono::milliseconds(0)); }));
}

}  // namespace
}  // namespace kivari
