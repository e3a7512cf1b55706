// The web cells' module: the only code of Kivari that links the web engine.
#include "Cells/BrowserExpressionView.h"
#include "Cells/ExpressionHostView.h"
#include "Cells/GameCellView.h"
#include "Cells/WebCellFactory.h"

namespace kivari {

namespace {

class WebCellViews final : public WebCellFactory {
 public:
  std::unique_ptr<Gtk::Widget> makeBrowser(const Url& initialURL, std::function<void()> onDismiss) override {
    return std::make_unique<BrowserExpressionView>(initialURL, std::move(onDismiss));
  }
  std::unique_ptr<Gtk::Widget> makeManifestHost(const ExpressionManifest& manifest,
                                                const ManifestRegistry& registry,
                                                std::function<void()> cannotOpenSafely) override {
    return std::make_unique<ExpressionHostView>(manifest, registry, std::move(cannotOpenSafely));
  }
  std::unique_ptr<Gtk::Widget> makeGame(const std::string& gameName, std::function<void()> onDismiss,
                                        Scheduler& scheduler) override {
    return std::make_unique<GameCellView>(gameName, std::move(onDismiss), scheduler);
  }
};

}  // namespace

}  // namespace kivari

extern "C" kivari::WebCellFactory* kivari_web_cells_v2() {
  static kivari::WebCellViews views;
  return &views;
}
