#include "Cells/CellWebView.h"

namespace kivari {

namespace {

// Web content never writes to the user's disk: a download is stopped before
// it has a destination, and one that asks for a destination anyway gets none.
gboolean refuseDestination(WebKitDownload* download, gchar*, gpointer) {
  webkit_download_cancel(download);
  return TRUE;
}

void refuseDownload(WebKitNetworkSession*, WebKitDownload* download, gpointer) {
  g_signal_connect(download, "decide-destination", G_CALLBACK(refuseDestination), nullptr);
  webkit_download_cancel(download);
}

// Nor through printing, whose dialog can print to a file.
gboolean refusePrint(WebKitWebView*, WebKitPrintOperation*, gpointer) { return TRUE; }

}  // namespace

CellWebView::CellWebView(const std::function<void(WebKitWebContext*)>& prepare)
    : context_(webkit_web_context_new()), session_(webkit_network_session_new_ephemeral()) {
  g_signal_connect(session_, "download-started", G_CALLBACK(refuseDownload), nullptr);
  if (prepare) prepare(context_);
  view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_,
                                       "network-session", session_, nullptr));
  g_object_ref_sink(view_);
  g_signal_connect(view_, "print", G_CALLBACK(refusePrint), nullptr);
  gtk_accessible_update_property(GTK_ACCESSIBLE(view_), GTK_ACCESSIBLE_PROPERTY_LABEL, "Web page", -1);
  gtk_widget_set_hexpand(widget(), TRUE);
  gtk_widget_set_vexpand(widget(), TRUE);
}

CellWebView::~CellWebView() {
  dismantle();
  if (gtk_widget_get_parent(widget()) != nullptr) gtk_widget_unparent(widget());
  g_object_unref(view_);
  g_object_unref(session_);
  g_object_unref(context_);
}

void CellWebView::dismantle() {
  // A blank document would only start a new web process.
  if (dismantled_ || released_) return;
  dismantled_ = true;
  webkit_web_view_stop_loading(view_);
  webkit_web_view_load_html(view_, "", nullptr);
}

void CellWebView::release() {
  if (released_) return;
  released_ = true;
  webkit_web_view_stop_loading(view_);
  webkit_web_view_terminate_web_process(view_);
}

}  // namespace kivari
