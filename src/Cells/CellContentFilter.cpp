#include "Cells/CellContentFilter.h"

#include "Cells/ManifestEntry.h"
#include "Core/RunFolder.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace kivari {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFilterId = "kivari-cell-only";

// Block everything, then let the cell's own scheme through. Rules later in
// the list win: "ignore-previous-rules" lifts the block for what it matches.
std::string cellOnlyRules() {
  const std::string allow = R"(,{"trigger":{"url-filter":"^)";
  const std::string lifted = R"("},"action":{"type":"ignore-previous-rules"}})";
  return std::string(R"([{"trigger":{"url-filter":".*"},"action":{"type":"block"}})") +
         allow + kCellScheme + ":" + lifted +
         allow + "blob:" + lifted +
         allow + "about:" + lifted + "]";
}

struct FilterState {
  WebKitUserContentFilter* filter = nullptr;  // kept for the process once compiled
  bool compiling = false;
  std::vector<std::weak_ptr<CellFilterReady>> waiting;
};

FilterState& state() {
  static FilterState s;
  return s;
}

// A folder only this user can enter, in the run's folder when there is one.
std::optional<fs::path> privateStoreFolder() {
  const fs::path run = thisRunFolder();
  std::string pattern = run.empty() ? std::string() : (run / "content-filter-XXXXXX").string();
  gchar* made = nullptr;
  if (pattern.empty()) {
    made = g_dir_make_tmp("kivari-content-filter-XXXXXX", nullptr);
  } else if (g_mkdtemp_full(pattern.data(), 0700) != nullptr) {
    made = g_strdup(pattern.c_str());
  }
  if (made == nullptr) return std::nullopt;
  fs::path folder(made);
  g_free(made);
  return folder;
}

void tellWaiting(WebKitUserContentFilter* filter) {
  auto waiting = std::move(state().waiting);
  state().waiting.clear();
  for (const auto& weak : waiting) {
    if (const auto ready = weak.lock()) (*ready)(filter);
  }
}

struct Compiling {
  WebKitUserContentFilterStore* store;
  fs::path folder;
};

void compiled(GObject* source, GAsyncResult* result, gpointer data) {
  auto* compiling = static_cast<Compiling*>(data);
  GError* error = nullptr;
  WebKitUserContentFilter* filter =
      webkit_user_content_filter_store_save_finish(WEBKIT_USER_CONTENT_FILTER_STORE(source), result, &error);
  // The compiled list stays mapped in memory; its file is not needed again.
  g_object_unref(compiling->store);
  std::error_code ec;
  fs::remove_all(compiling->folder, ec);
  delete compiling;
  // The cell tells the user; this says why, for the log.
  if (filter == nullptr) {
    g_message("Kivari: the manifest cells' content filter could not be compiled: %s",
              error != nullptr ? error->message : "no reason given");
  }
  g_clear_error(&error);
  state().compiling = false;
  state().filter = filter;
  tellWaiting(filter);
  // A failure is not kept: the next cell tries again.
}

void startCompiling() {
  state().compiling = true;
  const auto folder = privateStoreFolder();
  if (!folder) {
    g_message("Kivari: no private folder to compile the manifest cells' content filter in");
    state().compiling = false;
    tellWaiting(nullptr);
    return;
  }
  const std::string rules = cellOnlyRules();
  GBytes* source = g_bytes_new(rules.data(), rules.size());
  auto* compiling = new Compiling{webkit_user_content_filter_store_new(folder->c_str()), *folder};
  webkit_user_content_filter_store_save(compiling->store, kFilterId, source, nullptr, compiled, compiling);
  g_bytes_unref(source);
}

}  // namespace

void whenCellFilterReady(const std::shared_ptr<CellFilterReady>& ready) {
  if (state().filter != nullptr) {
    (*ready)(state().filter);
    return;
  }
  state().waiting.push_back(ready);
  if (!state().compiling) startCompiling();
}

void forgetCellFilter() {
  if (state().filter != nullptr) webkit_user_content_filter_unref(state().filter);
  state().filter = nullptr;
}

}  // namespace kivari
