#include "Cells/ExpressionHostView.h"

#include "Cells/ManifestEntry.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace kivari {

namespace fs = std::filesystem;

// What a cell's page may read: nothing until an entry has been found, then
// its folder, or in it only the entry file.
struct ExpressionHostView::CellFiles {
  std::optional<fs::path> folder;
  std::optional<fs::path> onlyFile;
};

namespace {

void finishNotFound(WebKitURISchemeRequest* request) {
  // An empty answer rather than an error: a refused page stays blank and see-through.
  GInputStream* empty = g_memory_input_stream_new();
  WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(empty, 0);
  webkit_uri_scheme_response_set_status(response, 404, nullptr);
  webkit_uri_scheme_response_set_content_type(response, "text/html");
  webkit_uri_scheme_request_finish_with_response(request, response);
  g_object_unref(response);
  g_object_unref(empty);
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
  webkit_uri_scheme_request_finish(request, G_INPUT_STREAM(stream), static_cast<gint64>(size),
                                   mimeTypeForFile(file->filename().string()));
  g_object_unref(stream);
}

ExpressionHostView::ExpressionHostView(const ExpressionManifest& manifest, const ManifestRegistry& registry)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0), manifest_(manifest), registry_(registry) {
  web_ = std::make_unique<CellWebView>([this](WebKitWebContext* context) {
    files_ = new CellFiles();
    webkit_web_context_register_uri_scheme(
        context, kCellScheme, serveCellFile, files_,
        [](gpointer data) { delete static_cast<CellFiles*>(data); });
  });
  // Whatever the page leaves transparent shows the cell frame beneath.
  const GdkRGBA transparent{0, 0, 0, 0};
  webkit_web_view_set_background_color(web_->view(), &transparent);
  gtk_box_append(gobj(), web_->widget());
  loadExpression();
}

// The page is ended and the web view released with its context.
ExpressionHostView::~ExpressionHostView() = default;

void ExpressionHostView::loadExpression() {
  const auto entry = resolveEntrypoint(manifest_, registry_);
  if (!entry) return;
  if (!entry->wholeFolder) {
    files_->onlyFile = confinedPath(entry->folder, entry->path);
    if (!files_->onlyFile) return;
  }
  files_->folder = entry->folder;
  webkit_web_view_load_uri(web_->view(), cellAddress(manifest_.id, entry->path).c_str());
}

}  // namespace kivari
