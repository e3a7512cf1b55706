#pragma once

#include "Cells/BrowserState.h"
#include "Cells/CellWebView.h"
#include "Cells/DissolvingCell.h"
#include "Core/Url.h"

#include <gtkmm.h>

#include <functional>
#include <memory>

namespace kivari {

// The browser cell: its own toolbar (back, forward, address, close) over one
// web view whose website data lives only in memory and goes with the cell.
class BrowserExpressionView : public Gtk::Box, public DissolvingCell {
 public:
  BrowserExpressionView(const Url& initialURL, std::function<void()> onDismiss);
  ~BrowserExpressionView() override;

  BrowserState& state() { return state_; }
  Gtk::Button& backButton() { return back_; }
  Gtk::Button& forwardButton() { return forward_; }
  Gtk::Entry& addressField() { return address_; }
  Gtk::Button& closeButton() { return close_; }
  WebKitWebView* webView() const { return web_->view(); }

  // Ends the page at once; the empty view and the toolbar, which no longer
  // loads anything, stay for the fade-out.
  void cellDissolving() override;

 private:
  class Port;

  void buildToolbar();
  void bindState();
  static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean onLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri, GError* error,
                               gpointer self);

  std::function<void()> onDismiss_;
  BrowserState state_;
  Gtk::Box toolbar_{Gtk::Orientation::HORIZONTAL, 8};
  Gtk::Button back_;
  Gtk::Button forward_;
  Gtk::Entry address_;
  Gtk::Button close_;
  Gtk::Separator divider_{Gtk::Orientation::HORIZONTAL};
  std::unique_ptr<CellWebView> web_;
  std::shared_ptr<Port> port_;
  bool loadFailed_ = false;
};

}  // namespace kivari
