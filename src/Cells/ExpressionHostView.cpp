#include "Cells/ExpressionHostView.h"

#include "Cells/CellContentFilter.h"
#include "Cells/CellNetworkWall.h"
#include "Cells/ManifestEntry.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

namespace kivari {

namespace fs = std::filesystem;

// What a cell's page may read: nothing until an entry has been found, then
// its folder, or in it only the entry file.
struct ExpressionHostView::CellFiles {
  std::optional<fs::path> folder;
  std::optional<fs::path> onlyFile;
};

namespace {

// Every answer carries the cell's content security policy, a second wall
// behind the content filter, and turns DNS prefetching off for the page.
void finish(WebKitURISchemeRequest* request, GInputStream* stream, gint64 size, guint status, const char* type) {
  WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(stream, size);
  webkit_uri_scheme_response_set_status(response, status, nullptr);
  webkit_uri_scheme_response_set_content_type(response, type);
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  soup_message_headers_append(headers, "Content-Security-Policy", kCellContentSecurityPolicy);
  soup_message_headers_append(headers, "X-DNS-Prefetch-Control", "off");
  webkit_uri_scheme_response_set_http_headers(response, headers);  // takes them
  webkit_uri_scheme_request_finish_with_response(request, response);
  g_object_unref(response);
}

void finishNotFound(WebKitURISchemeRequest* request) {
  // An empty answer rather than an error: a refused page stays blank and see-through.
  GInputStream* empty = g_memory_input_stream_new();
  finish(request, empty, 0, 404, "text/html");
  g_object_unref(empty);
}

// The page goes nowhere but its own cell: no link, form, script or redirect
// takes it (or a frame in it) to another address, and it opens no window.
gboolean keepInCell(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* address = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION || address == nullptr || !staysInCell(address)) {
    webkit_policy_decision_ignore(decision);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

// Serves only regular files whose real path lies inside the cell's folder,
// and there only the entry file when the folder is not the cell's own.
void ExpressionHostView::serveCellFile(WebKitURISchemeRequest* request, gpointer data) {
  const auto* files = static_cast<const CellFiles*>(data);
  const char* addressPath = webkit_uri_scheme_request_get_path(request);
  std::optional<fs::path> file;
  if (files->folder && addressPath != nullptr) {
    if (const auto relative = cellPathFromAddressPath(addressPath)) {
      file = confinedPath(*files->folder, *relative);
    }
  }
  std::error_code ec;
  if (!file || (files->onlyFile && *file != *files->onlyFile) || !fs::is_regular_file(*file, ec)) {
    finishNotFound(request);
    return;
  }
  const auto size = fs::file_size(*file, ec);
  GFile* handle = g_file_new_for_path(file->c_str());
  GFileInputStream* stream = g_file_read(handle, nullptr, nullptr);
  g_object_unref(handle);
  if (ec || stream == nullptr) {
    if (stream != nullptr) g_object_unref(stream);
    finishNotFound(request);
    return;
  }
  finish(request, G_INPUT_STREAM(stream), static_cast<gint64>(size), 200,
         mimeTypeForFile(file->filename().string()));
  g_object_unref(stream);
}

ExpressionHostView::ExpressionHostView(const ExpressionManifest& manifest, const ManifestRegistry& registry,
                                       std::function<void()> cannotOpenSafely)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      manifest_(manifest),
      registry_(registry),
      cannotOpenSafely_(std::move(cannotOpenSafely)) {
  web_ = std::make_unique<CellWebView>([this](WebKitWebContext* context, WebKitNetworkSession* session) {
    files_ = new CellFiles();
    webkit_web_context_register_uri_scheme(
        context, kCellScheme, serveCellFile, files_,
        [](gpointer data) { delete static_cast<CellFiles*>(data); });
    walled_ = wallOffNetwork(session);
  });
  // Whatever the page leaves transparent shows the cell frame beneath.
  const GdkRGBA transparent{0, 0, 0, 0};
  webkit_web_view_set_background_color(web_->view(), &transparent);
  g_signal_connect(web_->view(), "decide-policy", G_CALLBACK(keepInCell), nullptr);
  // No card lists the user's files: a page could otherwise ask for any of them.
  web_->refuseFileChoosers();
  gtk_box_append(gobj(), web_->widget());
  loadExpression();
}

// The page is ended and the web view released with its context; a filter
// still compiling finds no one waiting.
ExpressionHostView::~ExpressionHostView() = default;

void ExpressionHostView::cellDissolving() {
  filterReady_.reset();
  web_->end();
}

void ExpressionHostView::loadExpression() {
  const auto entry = resolveEntrypoint(manifest_, registry_);
  if (!entry) return;
  if (!entry->wholeFolder) {
    files_->onlyFile = confinedPath(entry->folder, entry->path);
    if (!files_->onlyFile) return;
  }
  files_->folder = entry->folder;
  if (!walled_) {
    cannotOpen();
    return;
  }
  // Nothing is asked for before the content filter is in place, and without
  // it nothing at all: compiling it takes a moment the first time.
  filterReady_ = std::make_shared<CellFilterReady>(
      [this, address = cellAddress(manifest_.id, entry->path)](WebKitUserContentFilter* filter) {
        if (filter == nullptr) {
          cannotOpen();
          return;
        }
        WebKitWebView* view = web_->view();
        webkit_user_content_manager_add_filter(webkit_web_view_get_user_content_manager(view), filter);
        webkit_web_view_load_uri(view, address.c_str());
      });
  whenCellFilterReady(filterReady_);
}

void ExpressionHostView::cannotOpen() {
  if (cannotOpenSafely_) cannotOpenSafely_();
}

}  // namespace kivari
