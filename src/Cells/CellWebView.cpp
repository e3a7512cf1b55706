#include "Cells/CellWebView.h"

#include "Cells/SandboxLeftovers.h"
#include "Core/RunFolder.h"

#include <unistd.h>

#include <string_view>

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

// Handled here, the request never reaches WebKit's own handler, which would
// show the dialog; the page sees a chooser that was dismissed.
gboolean refuseFileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer) {
  webkit_file_chooser_request_cancel(request);
  return TRUE;
}

// WebKit runs service and shared workers in processes of their own that
// outlive their page by about ten seconds and, when ended with it, are
// started again: a cell's page gets neither, so that nothing of it can
// outlast the cell.
WebKitSettings* cellSettings() {
  WebKitSettings* settings = webkit_settings_new();
  WebKitFeatureList* features = webkit_settings_get_all_features();
  for (gsize i = 0; i < webkit_feature_list_get_length(features); ++i) {
    WebKitFeature* feature = webkit_feature_list_get(features, i);
    const std::string_view id = webkit_feature_get_identifier(feature);
    if (id == "ServiceWorkers" || id == "SharedWorker") {
      webkit_settings_set_feature_enabled(settings, feature, FALSE);
    }
  }
  webkit_feature_list_unref(features);
  return settings;
}

// A cell's processes end shortly after the cell; their sandbox folders are
// swept for a while after each cell goes, and then WebKit's empty folder.
void sweepSandboxFoldersSoon() {
  static guint source = 0;
  static int rounds = 0;
  rounds = 0;
  if (source != 0) return;
  source = g_timeout_add(200, [](gpointer) -> gboolean {
    const auto left = removeEndedSandboxFolders(g_get_user_runtime_dir(), getpid(), processIsRunning);
    if (left > 0 && ++rounds < 50) return G_SOURCE_CONTINUE;
    if (left == 0) removeEmptyWebKitFolders(g_get_user_runtime_dir(), thisRunFolder());
    source = 0;
    return G_SOURCE_REMOVE;
  }, nullptr);
}

}  // namespace

CellWebView::CellWebView(const std::function<void(WebKitWebContext*, WebKitNetworkSession*)>& prepare)
    : context_(webkit_web_context_new()), session_(webkit_network_session_new_ephemeral()) {
  g_signal_connect(session_, "download-started", G_CALLBACK(refuseDownload), nullptr);
  if (prepare) prepare(context_, session_);
  WebKitSettings* settings = cellSettings();
  view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_,
                                       "network-session", session_, "settings", settings, nullptr));
  g_object_unref(settings);
  g_object_ref_sink(view_);
  g_signal_connect(view_, "print", G_CALLBACK(refusePrint), nullptr);
  gtk_accessible_update_property(GTK_ACCESSIBLE(view_), GTK_ACCESSIBLE_PROPERTY_LABEL, "Web page", -1);
  gtk_widget_set_hexpand(widget(), TRUE);
  gtk_widget_set_vexpand(widget(), TRUE);
}

void CellWebView::refuseFileChoosers() {
  g_signal_connect(view_, "run-file-chooser", G_CALLBACK(refuseFileChooser), nullptr);
}

CellWebView::~CellWebView() {
  end();
  if (gtk_widget_get_parent(widget()) != nullptr) gtk_widget_unparent(widget());
  g_object_unref(view_);
  g_object_unref(session_);
  g_object_unref(context_);
  sweepSandboxFoldersSoon();
}

void CellWebView::end() {
  if (ended_) return;
  ended_ = true;
  // Killed rather than asked: a busy or blocked page would not listen.
  webkit_web_view_terminate_web_process(view_);
}

}  // namespace kivari
