#pragma once

#include <functional>
#include <memory>
#include <string>

namespace Gtk {
class Widget;
}

namespace kivari {

class ExpressionManifest;
class ManifestRegistry;
class Scheduler;
class Url;

// The cells that show web pages. They live in a module of their own, opened
// the first time one is needed, so that the web engine costs the desktop
// nothing until then.
class WebCellFactory {
 public:
  virtual ~WebCellFactory() = default;
  virtual std::unique_ptr<Gtk::Widget> makeBrowser(const Url& initialURL, std::function<void()> onDismiss) = 0;
  // Left only through Esc or the compact bar: no close of its own.
  // `cannotOpenSafely` is called when the cell could not be walled off and
  // so loads nothing.
  virtual std::unique_ptr<Gtk::Widget> makeManifestHost(const ExpressionManifest& manifest,
                                                        const ManifestRegistry& registry,
                                                        std::function<void()> cannotOpenSafely) = 0;
  virtual std::unique_ptr<Gtk::Widget> makeGame(const std::string& gameName, std::function<void()> onDismiss,
                                                Scheduler& scheduler) = 0;
};

// The one C entry point of the module: answers its factory, which lives as
// long as the process. The name carries the interface's version, so a module
// from another build of a different shape is refused rather than misused.
using WebCellFactoryEntry = WebCellFactory* (*)();
inline constexpr const char* kWebCellFactoryEntry = "kivari_web_cells_v2";
inline constexpr const char* kWebCellModuleName = "libkivari-webcells.so";

}  // namespace kivari

extern "C" kivari::WebCellFactory* kivari_web_cells_v2();
