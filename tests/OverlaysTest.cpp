// The display-free parts of the catalog, splash, drone and security banner.
#include "Core/AppState.h"
#include "Core/Text.h"
#include "Help/CellCatalog.h"
#include "Shell/AmbientAudio.h"
#include "Shell/SecurityAlertModel.h"
#include "Shell/SplashModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace kivari {
namespace {

using std::chrono::milliseconds;

TEST(CellCatalog, CountsAndEveryTextDistinct) {
  const auto& sections = catalog::sections();
  ASSERT_EQ(sections.size(), 8u);
  std::vector<std::size_t> entryCounts;
  std::size_t ways = 0;
  std::set<std::string> texts;
  std::size_t textCount = 0;
  auto add = [&](const std::string& t) {
    texts.insert(t);
    ++textCount;
  };
  for (const auto& section : sections) {
    entryCounts.push_back(section.entries.size());
    add(section.title);
    add(section.description);
    for (const auto& entry : section.entries) {
      add(entry.prompt);
      add(entry.label);
      EXPECT_GE(entry.ways.size(), 2u) << entry.prompt;
      EXPECT_LE(entry.ways.size(), 4u) << entry.prompt;
      ways += entry.ways.size();
      for (const auto& way : entry.ways) add(way);
      // At most three show, always the first ones.
      const auto shown = catalog::shownWays(entry);
      EXPECT_EQ(shown.size(), std::min<std::size_t>(entry.ways.size(), 3));
      EXPECT_TRUE(std::equal(shown.begin(), shown.end(), entry.ways.begin()));
    }
  }
  EXPECT_EQ(entryCounts, (std::vector<std::size_t>{2, 3, 4, 3, 4, 5, 5, 1}));
  EXPECT_EQ(ways, 77u);
  EXPECT_EQ(texts.size(), textCount);
  EXPECT_EQ(&catalog::sections(), &sections);  // built once
}

// A language model that is there and remembers what reached it.
struct RecordingModel : IntentModelResolver {
  std::vector<std::string> asked;
  bool isAvailable() override { return true; }
  void resolve(const std::string& text, Answer) override { asked.push_back(text); }
};

TEST(CellCatalog, EveryPromptGoesDownTheRequestRoadNeverToTheHint) {
  for (const auto& section : catalog::sections()) {
    for (const auto& entry : section.entries) {
      AppStateServices services;  // the real rules
      services.executeSystemAction = [](SystemControlAction) { return SystemActionResult{true, "done"}; };
      auto model = std::make_shared<RecordingModel>();
      services.modelResolver = model;
      AppState state(std::make_unique<ManifestRegistry>(std::filesystem::path(KIVARI_SOURCE_DIR) / "resources"),
                     std::move(services));
      state.setIntentText(entry.prompt);
      state.submit();
      ASSERT_GE(state.statusMessages().size(), 2u) << entry.prompt;
      EXPECT_EQ(state.statusMessages()[1].text, entry.prompt);
      EXPECT_NE(state.statusMessages().back().text, AppState::hintText()) << entry.prompt;
      // Only system wording that the phrase table leaves out is left to the model.
      if (!model->asked.empty()) {
        EXPECT_EQ(section.title, "System Controls") << entry.prompt;
        EXPECT_TRUE(state.isThinking());
      }
    }
  }
}

TEST(Text, UppercasedUsesTheFullDefaultMapping) {
  EXPECT_EQ(text::uppercased("Privacy & Security"), "PRIVACY & SECURITY");
  EXPECT_EQ(text::uppercased("straße ǆ"), "STRASSE Ǆ");
  EXPECT_EQ(text::uppercased(""), "");
}

TEST(Drone, SamplesAtTheEdgesOfTheLoopAndTheirBound) {
  const auto samples = drone::samples();
  ASSERT_EQ(samples.size(), 352800u);
  auto unscaled = [](std::size_t i) { return drone::chord(static_cast<double>(i) / 44100); };
  constexpr double kFloatError = 1e-8;
  EXPECT_EQ(samples[0], 0.0f);
  EXPECT_NEAR(samples[35280], unscaled(35280), kFloatError);
  EXPECT_NEAR(samples[317520], unscaled(317520), kFloatError);
  EXPECT_NEAR(samples[317521], unscaled(317521) * 35279 / 35280, kFloatError);
  EXPECT_NEAR(samples[352799], unscaled(352799) / 35280, kFloatError);
  for (std::size_t i = 1000; i < samples.size(); i += 4099) {
    EXPECT_NEAR(samples[i], unscaled(i) * drone::edgeFade(i), kFloatError) << i;
  }
  EXPECT_DOUBLE_EQ(drone::edgeFade(35279), 35279.0 / 35280);
  // The chord itself, checked against an independent computation.
  EXPECT_NEAR(drone::chord(100000.0 / 44100), 0.00305271144738268, 1e-12);
  EXPECT_NEAR(drone::chord(35280.0 / 44100), -0.019651572068587583, 1e-12);
  float peak = 0;
  for (float s : samples) peak = std::max(peak, std::fabs(s));
  EXPECT_LE(peak, 0.0504f);
  EXPECT_GT(peak, 0.02f);
}

// A sound output that only remembers what was done to it.
struct FakeOutput : DroneOutput {
  float level = 0;
  bool stopped = false;
  float volume() const override { return level; }
  void setVolume(float v) override {
    if (!stopped) level = v;
  }
  void stop() override { stopped = true; }
};

struct DroneRig {
  ManualScheduler scheduler;
  std::vector<std::shared_ptr<FakeOutput>> outputs;
  bool deviceMissing = false;
  std::size_t samplesSeen = 0;
  DroneOutputFactory factory() {
    return [this](std::shared_ptr<const std::vector<float>> samples) -> std::shared_ptr<DroneOutput> {
      samplesSeen = samples->size();
      if (deviceMissing) return nullptr;
      outputs.push_back(std::make_shared<FakeOutput>());
      return outputs.back();
    };
  }
};

TEST(Drone, FadesInOverThreeSecondsAndReleasesHalfASecondAfterTheFadeOut) {
  DroneRig rig;
  AmbientAudio drone(rig.scheduler, rig.factory());
  drone.start();
  ASSERT_EQ(rig.outputs.size(), 1u);
  EXPECT_EQ(rig.samplesSeen, 352800u);
  const auto& out = *rig.outputs[0];
  rig.scheduler.advance(milliseconds(37));
  EXPECT_EQ(out.level, 0.0f);  // silent until the first step, 37.5 ms in
  rig.scheduler.advance(milliseconds(1));
  EXPECT_FLOAT_EQ(out.level, 0.01f);
  rig.scheduler.advance(milliseconds(1500 - 38));
  EXPECT_FLOAT_EQ(out.level, 0.4f);
  rig.scheduler.advance(milliseconds(1500));
  EXPECT_FLOAT_EQ(out.level, 0.8f);

  drone.fadeOut();
  rig.scheduler.advance(milliseconds(100));
  EXPECT_FLOAT_EQ(out.level, 0.79f);
  rig.scheduler.advance(milliseconds(7900));
  EXPECT_NEAR(out.level, 0.0f, 1e-6);
  EXPECT_FALSE(out.stopped);
  rig.scheduler.advance(milliseconds(499));
  EXPECT_FALSE(out.stopped);
  EXPECT_TRUE(drone.isPlaying());
  rig.scheduler.advance(milliseconds(1));
  EXPECT_TRUE(out.stopped);
  EXPECT_FALSE(drone.isPlaying());
  EXPECT_EQ(rig.scheduler.pendingCount(), 0u);
}

TEST(Drone, EachReleaseEndsOnlyItsOwnOutput) {
  DroneRig rig;
  AmbientAudio drone(rig.scheduler, rig.factory());
  drone.start();
  drone.fadeOut(2);
  rig.scheduler.advance(milliseconds(1000));
  drone.start();  // a second start ends the first output at once
  ASSERT_EQ(rig.outputs.size(), 2u);
  EXPECT_TRUE(rig.outputs[0]->stopped);
  rig.scheduler.advance(milliseconds(1500));  // the first release is due
  EXPECT_FALSE(rig.outputs[1]->stopped);
  EXPECT_TRUE(drone.isPlaying());
  rig.scheduler.advance(milliseconds(3000));
  EXPECT_FLOAT_EQ(rig.outputs[1]->level, 0.8f);
  drone.fadeOut(2);
  rig.scheduler.advance(milliseconds(2499));
  EXPECT_FALSE(rig.outputs[1]->stopped);
  rig.scheduler.advance(milliseconds(1));
  EXPECT_TRUE(rig.outputs[1]->stopped);
}

TEST(Drone, NoDeviceAndEarlyFadeOutAreHarmless) {
  DroneRig rig;
  {
    AmbientAudio drone(rig.scheduler, rig.factory());
    drone.fadeOut();  // before start: nothing to fade, nothing to release
    rig.deviceMissing = true;
    drone.start();
    EXPECT_FALSE(drone.isPlaying());
    drone.fadeOut();
    rig.scheduler.advance(milliseconds(10000));
    rig.deviceMissing = false;
    drone.start();
    EXPECT_TRUE(drone.isPlaying());
  }
  // Dropping the drone ends its output and every pending step.
  ASSERT_EQ(rig.outputs.size(), 1u);
  EXPECT_TRUE(rig.outputs[0]->stopped);
  EXPECT_EQ(rig.scheduler.pendingCount(), 0u);
}

TEST(Splash, EnvelopeAndWhichParticlesDraw) {
  EXPECT_DOUBLE_EQ(splash::envelope(0), 0);
  EXPECT_DOUBLE_EQ(splash::envelope(0.1), 0.5);
  EXPECT_DOUBLE_EQ(splash::envelope(0.2), 1);
  EXPECT_DOUBLE_EQ(splash::envelope(0.7), 1);
  EXPECT_LT(splash::envelope(0.7000001), 1);
  EXPECT_NEAR(splash::envelope(0.85), 0.5, 1e-12);
  EXPECT_DOUBLE_EQ(splash::envelope(1), 0);

  SplashParticle p;
  p.x = 0.5;
  p.y = 0.9;
  p.size = 4;
  p.opacity = 0.5;
  p.speed = 10;
  p.delay = 1;
  p.lifetime = 5;
  const std::vector<SplashParticle> one{p};
  EXPECT_TRUE(splash::frame(one, 1.0, 1000, 500).empty());  // age exactly 0
  EXPECT_TRUE(splash::frame(one, 6.0, 1000, 500).empty());  // life fraction exactly 1
  const auto discs = splash::frame(one, 3.0, 1000, 500);  // p = 0.4, twinkle and sway at 0
  ASSERT_EQ(discs.size(), 2u);
  EXPECT_DOUBLE_EQ(discs[0].diameter, 14);
  EXPECT_DOUBLE_EQ(discs[0].alpha, 0.5 * 0.8 * 0.15);
  EXPECT_DOUBLE_EQ(discs[1].alpha, 0.5 * 0.8 * 0.85);
  EXPECT_DOUBLE_EQ(discs[1].cx, 500);
  EXPECT_DOUBLE_EQ(discs[1].cy, 450 - 20);

  UniformRandom random(7);
  const auto particles = splash::makeParticles(random);
  ASSERT_EQ(particles.size(), 30u);
  for (const auto& q : particles) {
    EXPECT_TRUE(q.x >= 0.12 && q.x <= 0.88 && q.y >= 0.4 && q.y <= 0.95);
    EXPECT_TRUE(q.delay >= 0 && q.delay <= 1.2 && q.lifetime >= 4.5 && q.lifetime <= 6.5);
  }
}

TEST(Splash, PhasesAndCompletionExactlyOnce) {
  ManualScheduler scheduler;
  std::vector<std::pair<std::string, long>> steps;
  auto at = [&](const char* what) { return [&, what] { steps.emplace_back(what, scheduler.now().count()); }; };
  {
    SplashTimeline timeline(scheduler, {at("title"), at("fade"), at("complete")});
    timeline.start();
    timeline.start();  // shown again: no second run
    scheduler.advance(milliseconds(4999));
    EXPECT_FALSE(timeline.isComplete());
    scheduler.advance(milliseconds(20000));
    EXPECT_TRUE(timeline.isComplete());
  }
  EXPECT_EQ(steps, (std::vector<std::pair<std::string, long>>{{"title", 500}, {"fade", 3500}, {"complete", 5000}}));

  // Gone before it completes: nothing more is called.
  int calls = 0;
  {
    SplashTimeline timeline(scheduler, {nullptr, nullptr, [&] { ++calls; }});
    timeline.start();
    scheduler.advance(milliseconds(1000));
  }
  scheduler.advance(milliseconds(10000));
  EXPECT_EQ(calls, 0);
}

TEST(SecurityBanner, PhasesAndWaitsOnASeededSource) {
  for (std::uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
    ManualScheduler scheduler;
    SecurityAlertLoop loop(scheduler, UniformRandom(seed));
    std::vector<std::pair<AlertPhase, long>> changes;
    loop.signalChanged().connect([&] { changes.emplace_back(loop.phase(), scheduler.now().count()); });
    loop.start();
    loop.start();
    EXPECT_FALSE(loop.isFirstRun());
    scheduler.advance(milliseconds(15000 - 1));
    EXPECT_TRUE(changes.empty());
    for (int i = 0; i < 400 && changes.size() < 4; ++i) scheduler.advance(milliseconds(1000));
    ASSERT_EQ(changes.size(), 4u) << seed;
    const long first = changes[0].second;
    EXPECT_GE(first, 15000);
    EXPECT_LE(first, 30000);
    EXPECT_EQ(changes[0].first, AlertPhase::threat);
    EXPECT_EQ(changes[1], std::make_pair(AlertPhase::secured, first + 4000));
    EXPECT_EQ(changes[2], std::make_pair(AlertPhase::hidden, first + 6500));
    const long second = changes[3].second - changes[2].second;
    EXPECT_GE(second, 90000);
    EXPECT_LE(second, 300000);
    EXPECT_EQ(changes[3].first, AlertPhase::threat);
    EXPECT_TRUE(loop.pulseGlow());
    scheduler.advance(milliseconds(1000));
    loop.stop();  // leaving the view hides the notice and ends the loop
    EXPECT_EQ(loop.phase(), AlertPhase::hidden);
    EXPECT_FALSE(loop.pulseGlow());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
  }
  // The glow: up in 0.8 s, back down in the next 0.8 s, again and again.
  EXPECT_DOUBLE_EQ(alertGlowLevel(0), 0);
  EXPECT_DOUBLE_EQ(alertGlowLevel(0.4), 0.5);
  EXPECT_DOUBLE_EQ(alertGlowLevel(0.8), 1);
  EXPECT_DOUBLE_EQ(alertGlowLevel(1.2), 0.5);
  EXPECT_NEAR(alertGlowLevel(1.6), 0, 1e-12);
  EXPECT_NEAR(alertGlowLevel(2.4), 1, 1e-12);
  EXPECT_LT(alertGlowLevel(0.1), alertGlowLevel(0.2));
  EXPECT_GT(alertGlowLevel(0.9), alertGlowLevel(1.0));
}

}  // namespace
}  // namespace kivari
