#pragma once

#include <webkit/webkit.h>

#include <functional>

namespace kivari {

// A cell's web view with a web process pool and website data of its own, the
// data kept in memory only. When the object goes, the pool goes with it, and
// with the pool every process it started: no cached or spare process
// outlives the cell.
class CellWebView {
 public:
  // `prepare` sees the fresh context and session before the view is made.
  explicit CellWebView(const std::function<void(WebKitWebContext*, WebKitNetworkSession*)>& prepare = {});
  ~CellWebView();
  CellWebView(const CellWebView&) = delete;
  CellWebView& operator=(const CellWebView&) = delete;

  WebKitWebView* view() const { return view_; }
  GtkWidget* widget() const { return GTK_WIDGET(view_); }

  // The page gets no file: a file input's chooser is refused, and nothing shows.
  void refuseFileChoosers();

  // Ends the page, whatever it is doing: its web process is killed at once,
  // and it has no service or shared workers that could outlive it. The view
  // stays, empty, for the cell's fade-out. Later calls do nothing.
  void end();

 private:
  WebKitWebContext* context_ = nullptr;
  WebKitNetworkSession* session_ = nullptr;
  WebKitWebView* view_ = nullptr;
  bool ended_ = false;
};

}  // namespace kivari
