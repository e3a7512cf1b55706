// Web cells when the web engine could not be loaded: each says why and goes
// like any other cell, and nothing crashes.
#include "Core/AppState.h"
#include "Shell/CellLayer.h"
#include "Shell/WebCellModule.h"
#include "Ui/Style.h"

#include "GuiSupport.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace kivari {
namespace {

void collect(Gtk::Widget& w, std::vector<std::string>& labels, std::vector<Gtk::Button*>& buttons) {
  if (auto* label = dynamic_cast<Gtk::Label*>(&w)) labels.push_back(label->get_text());
  if (auto* button = dynamic_cast<Gtk::Button*>(&w)) buttons.push_back(button);
  for (auto* c = w.get_first_child(); c != nullptr; c = c->get_next_sibling()) collect(*c, labels, buttons);
}

TEST(WebCellsGuiTest, WithoutTheWebEngineAWebCellSaysWhyAndStillCloses) {
  installStyle();
  AppStateServices services;
  services.executeSystemAction = [](SystemControlAction) { return SystemActionResult{true, "done"}; };
  AppState state(std::make_unique<ManifestRegistry>(std::nullopt), std::move(services));
  ManualScheduler scheduler;
  const std::string why = "No libkivari-webcells.so in /nowhere";
  provideWebCells({nullptr, why});
  struct Restore {
    ~Restore() { provideWebCells({kivari_web_cells_v2(), {}}); }
  } restore;

  ExpressionManifest manifest;
  manifest.id = "calculator";
  manifest.name = "Calculator";
  for (const Expression& expression : {Expression::browser(*Url::parse("https://example.org/")),
                                       Expression::game("chess"), Expression::bundled(manifest)}) {
    const bool bundled = expression.kind() == Expression::Kind::bundled;
    int dismissed = 0;
    auto cell = buildCellLayer(expression, state, scheduler, [&] { ++dismissed; });
    std::vector<std::string> labels;
    std::vector<Gtk::Button*> buttons;
    collect(*cell, labels, buttons);
    EXPECT_NE(std::find(labels.begin(), labels.end(), why), labels.end()) << expression.name();
    // The manifest host never has a close of its own; the others keep theirs.
    ASSERT_EQ(buttons.size(), bundled ? 0u : 1u) << expression.name();
    if (!bundled) {
      EXPECT_EQ(testing::accessibleName(*buttons[0]).empty(), false);
      testing::click(*buttons[0]);
      EXPECT_EQ(dismissed, 1) << expression.name();
    }
    cell->dissolving();
  }
}

// A manifest cell that could not be walled off says so in the ribbon, as an
// error, after the line that it is active: it may know while it is built.
TEST(WebCellsGuiTest, AManifestCellThatCannotOpenSafelySaysSoAfterItIsBuilt) {
  struct Unwalled final : WebCellFactory {
    std::unique_ptr<Gtk::Widget> makeBrowser(const Url&, std::function<void()>) override { return nullptr; }
    std::unique_ptr<Gtk::Widget> makeManifestHost(const ExpressionManifest&, const ManifestRegistry&,
                                                  std::function<void()> cannotOpenSafely) override {
      cannotOpenSafely();
      return std::make_unique<Gtk::Box>();
    }
    std::unique_ptr<Gtk::Widget> makeGame(const std::string&, std::function<void()>, Scheduler&) override {
      return nullptr;
    }
  } unwalled;
  provideWebCells({&unwalled, {}});
  struct Restore {
    ~Restore() { provideWebCells({kivari_web_cells_v2(), {}}); }
  } restore;
  AppState state(std::make_unique<ManifestRegistry>(std::nullopt), AppStateServices{});
  ManualScheduler scheduler;
  ExpressionManifest manifest;
  manifest.id = "calculator";
  manifest.name = "Calculator";

  auto cell = buildCellLayer(Expression::bundled(manifest), state, scheduler, [] {});
  const auto lines = state.statusMessages().size();
  scheduler.advance(std::chrono::milliseconds(0));
  ASSERT_EQ(state.statusMessages().size(), lines + 1);
  EXPECT_EQ(state.statusMessages().back().text,
            "Calculator could not be opened safely \u00b7 its network wall could not be set up");
  EXPECT_EQ(state.statusMessages().back().type, StatusMessage::MessageType::error);
  cell->dissolving();
}

}  // namespace
}  // namespace kivari
