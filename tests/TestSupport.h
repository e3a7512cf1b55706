#pragma once

#include "Manifests/ExpressionManifest.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

namespace kivari::testing {

// A folder of its own for one test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("kivari-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The names in `relative`, a folder inside this one.
  std::set<std::string> names(const std::filesystem::path& relative = {}) const {
    std::set<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_ / relative)) {
      out.insert(entry.path().filename().string());
    }
    return out;
  }

  void write(const std::filesystem::path& relative, const std::string& contents) const {
    const auto full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << contents;
  }

 private:
  std::filesystem::path path_;
};

inline ExpressionManifest sampleManifest(const std::string& id = "calculator") {
  ExpressionManifest m;
  m.id = id;
  m.name = "Calculator";
  m.description = "Quick arithmetic";
  m.version = "1.0.0";
  m.surface = {"web", "index.html"};
  m.keywords = {"calc", "math"};
  m.capabilities = {{"Compute", "Evaluate expressions locally"}};
  return m;
}

}  // namespace kivari::testing
