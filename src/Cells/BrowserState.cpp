#include "Cells/BrowserState.h"

#include "Intent/Extractors.h"

namespace kivari {

namespace {

template <typename T>
void assign(T& field, T value, sigc::signal<void()>& changed) {
  if (field == value) return;
  field = std::move(value);
  changed.emit();
}

}  // namespace

void BrowserState::setUrlText(std::string text) { assign(urlText_, std::move(text), urlTextChanged_); }

void BrowserState::navigate(std::string_view text) {
  const auto url = IntentClassifier::normalizeURL(text);
  if (!url) return;
  // The field keeps the typed text until the page finishes.
  if (auto view = webView()) view->load(*url);
}

void BrowserState::goBack() {
  if (auto view = webView()) view->goBack();
}

void BrowserState::goForward() {
  if (auto view = webView()) view->goForward();
}

void BrowserState::didFinishNavigation(const BrowserWebViewPort& webView) {
  assign(urlText_, webView.currentAddress().value_or(std::string()), urlTextChanged_);
  assign(canGoBack_, webView.canGoBack(), canGoBackChanged_);
  assign(canGoForward_, webView.canGoForward(), canGoForwardChanged_);
}

}  // namespace kivari
