#include "Shell/WebCellModule.h"

#include "Manifests/ResourceLocator.h"

#include <gmodule.h>

#include <future>
#include <optional>
#include <system_error>

#ifndef KIVARI_MODULE_DIR
#define KIVARI_MODULE_DIR "../lib/kivari"
#endif

namespace kivari {

namespace fs = std::filesystem;

std::vector<fs::path> webCellModuleCandidates(const fs::path& programFolder) {
  return {programFolder / kWebCellModuleName, programFolder / KIVARI_MODULE_DIR / kWebCellModuleName};
}

WebCells openWebCellModule(const std::vector<fs::path>& candidates) {
  std::error_code ec;
  for (const fs::path& file : candidates) {
    if (!fs::is_regular_file(file, ec)) continue;
    // Every symbol is bound now: a module that does not fit this program is
    // refused here, rather than failing in the middle of building a cell.
    GModule* module = g_module_open(file.c_str(), G_MODULE_BIND_LOCAL);
    if (module == nullptr) return {nullptr, g_module_error()};
    gpointer entry = nullptr;
    if (!g_module_symbol(module, kWebCellFactoryEntry, &entry) || entry == nullptr) {
      std::string error = file.string() + " is not Kivari's web cell module of this version";
      g_module_close(module);
      return {nullptr, error};
    }
    g_module_make_resident(module);
    WebCellFactory* factory = reinterpret_cast<WebCellFactoryEntry>(entry)();
    if (factory == nullptr) return {nullptr, file.string() + " gave no web cells"};
    return {factory, {}};
  }
  std::string error = std::string("No ") + kWebCellModuleName + " in";
  for (const fs::path& file : candidates) error += " " + file.parent_path().lexically_normal().string();
  return {nullptr, error};
}

namespace {

std::optional<WebCells>& current() {
  static std::optional<WebCells> cells;
  return cells;
}

std::optional<fs::path>& moduleFile() {
  static std::optional<fs::path> file;
  return file;
}

std::future<WebCells>& opening() {
  static std::future<WebCells> pending;
  return pending;
}

WebCells openFromWhereTheyAre() {
  if (moduleFile()) return openWebCellModule({*moduleFile()});
  if (const auto folder = programFolder()) return openWebCellModule(webCellModuleCandidates(*folder));
  return {nullptr, "The program's own folder is unknown"};
}

}  // namespace

const WebCells& webCells() {
  auto& cells = current();
  if (!cells) cells = opening().valid() ? opening().get() : openFromWhereTheyAre();
  return *cells;
}

void prepareWebCells() {
  if (current() || opening().valid()) return;
  // Loading the web engine takes a good part of a second; the desktop keeps
  // drawing meanwhile. Where to look is read here, on the main thread.
  std::vector<fs::path> candidates;
  if (moduleFile()) {
    candidates = {*moduleFile()};
  } else if (const auto folder = programFolder()) {
    candidates = webCellModuleCandidates(*folder);
  } else {
    return;  // webCells() will say why
  }
  opening() = std::async(std::launch::async, [candidates] { return openWebCellModule(candidates); });
}

void provideWebCells(WebCells cells) {
  if (opening().valid()) opening().wait();
  opening() = {};
  current() = std::move(cells);
}

void provideWebCellModule(fs::path file) {
  if (opening().valid()) opening().wait();
  opening() = {};
  current().reset();
  moduleFile() = std::move(file);
}

}  // namespace kivari
