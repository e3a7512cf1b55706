// Web cells when the web engine could not be loaded: each says why and goes
// like any other cell, and nothing crashes. And a browser cell in a process
// whose data home is the user's own, as no run gave it one.
#include "Cells/BrowserExpressionView.h"
#include "Core/AppState.h"
#include "Shell/CellLayer.h"
#include "Shell/WebCellModule.h"
#include "Ui/Style.h"

#include "GuiSupport.h"
#include "MainLoop.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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

// This process started no run: its data home is the user's own. A browser
// cell that goes leaves the user's list of recent files as it was.
TEST(WebCellsGuiTest, ABrowserCellLeavesTheUsersOwnRecentFilesAsTheyWere) {
  GtkRecentManager* recent = gtk_recent_manager_get_default();
  const std::string note = "file:///kivari-test/chosen-earlier.txt";
  const std::filesystem::path list = std::filesystem::path(g_get_user_data_dir()) / "recently-used.xbel";
  const auto listed = [&] {
    std::ifstream in(list);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  ASSERT_TRUE(gtk_recent_manager_add_item(recent, note.c_str()));
  ASSERT_TRUE(testing::pumpUntil([&] { return listed().find(note) != std::string::npos; }));
  const std::string before = listed();
  {
    BrowserExpressionView cell(*Url::parse("http://127.0.0.1:9/"), [] {});
    cell.cellDissolving();
    EXPECT_TRUE(gtk_recent_manager_has_item(recent, note.c_str()));
  }
  testing::pump(300);  // a list emptied would be written by now
  EXPECT_EQ(listed(), before);
  gtk_recent_manager_remove_item(recent, note.c_str(), nullptr);
}

}  // namespace
}  // namespace kivari
