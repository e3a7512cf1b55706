#pragma once

#include "Core/Url.h"

#include <sigc++/signal.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kivari {

// What the browser's model asks of its web view.
class BrowserWebViewPort {
 public:
  virtual ~BrowserWebViewPort() = default;
  // A plain request: default cache policy and time-out, no extra headers.
  virtual void load(const Url& url) = 0;
  virtual void goBack() = 0;
  virtual void goForward() = 0;
  // None while the view has no address.
  virtual std::optional<std::string> currentAddress() const = 0;
  virtual bool canGoBack() const = 0;
  virtual bool canGoForward() const = 0;
};

// The browser cell's model; main thread only.
class BrowserState {
 public:
  const std::string& urlText() const { return urlText_; }
  bool canGoBack() const { return canGoBack_; }
  bool canGoForward() const { return canGoForward_; }
  // None once the web view has gone: the model never keeps it alive.
  std::shared_ptr<BrowserWebViewPort> webView() const { return webView_.lock(); }

  void setUrlText(std::string text);
  void setWebView(std::weak_ptr<BrowserWebViewPort> webView) { webView_ = std::move(webView); }

  // Loads the address the text stands for; text that gives none loads nothing.
  void navigate(std::string_view text);
  void goBack();
  void goForward();

  // The one place the model follows the web view: a finished main-frame
  // navigation. Failed or cancelled loads never get here.
  void didFinishNavigation(const BrowserWebViewPort& webView);

  // One signal per field, fired after a change to a different value.
  sigc::signal<void()>& signalUrlTextChanged() { return urlTextChanged_; }
  sigc::signal<void()>& signalCanGoBackChanged() { return canGoBackChanged_; }
  sigc::signal<void()>& signalCanGoForwardChanged() { return canGoForwardChanged_; }

 private:
  std::string urlText_;
  bool canGoBack_ = false;
  bool canGoForward_ = false;
  std::weak_ptr<BrowserWebViewPort> webView_;
  sigc::signal<void()> urlTextChanged_;
  sigc::signal<void()> canGoBackChanged_;
  sigc::signal<void()> canGoForwardChanged_;
};

}  // namespace kivari
