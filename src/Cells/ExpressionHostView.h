#pragma once

#include "Cells/CellContentFilter.h"
#include "Cells/CellWebView.h"
#include "Cells/DissolvingCell.h"
#include "Manifests/ExpressionManifest.h"
#include "Manifests/ManifestRegistry.h"

#include <gtkmm.h>

#include <functional>
#include <memory>

namespace kivari {

// A manifest-described cell: a bare web view, drawing no background of its
// own, that shows the cell's entry page. The page reads its own folder through
// the kivari-cell scheme and nothing else of the disk, and reaches no network:
// a content filter, in place before the page starts loading, blocks every
// load of another scheme, navigation leaves the scheme for nothing, each
// file is served with a content security policy to match, and beneath them
// every connection the web engine makes ends at a dead end. The page has no
// way to call into the application, and gets no file chooser.
class ExpressionHostView : public Gtk::Box, public DissolvingCell {
 public:
  // `cannotOpenSafely` is called, once, when the cell's walls could not be
  // set up; the page is then never loaded.
  ExpressionHostView(const ExpressionManifest& manifest, const ManifestRegistry& registry,
                     std::function<void()> cannotOpenSafely = {});
  ~ExpressionHostView() override;

  WebKitWebView* webView() const { return web_->view(); }

  // Ends the page at once; the empty view stays for the fade-out.
  void cellDissolving() override;

 private:
  struct CellFiles;

  void loadExpression();
  void cannotOpen();
  static void serveCellFile(WebKitURISchemeRequest* request, gpointer files);

  ExpressionManifest manifest_;
  const ManifestRegistry& registry_;
  std::function<void()> cannotOpenSafely_;
  bool walled_ = false;
  CellFiles* files_ = nullptr;  // owned by the web context
  std::unique_ptr<CellWebView> web_;
  std::shared_ptr<CellFilterReady> filterReady_;  // loads the page once the filter is in place
};

}  // namespace kivari
