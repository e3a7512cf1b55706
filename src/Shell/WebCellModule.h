#pragma once

#include "Cells/WebCellFactory.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kivari {

// Where the web cells' module is looked for, in order: beside the program in
// the build tree, then in the program's library folder once installed.
std::vector<std::filesystem::path> webCellModuleCandidates(const std::filesystem::path& programFolder);

// The web cells, or why there are none.
struct WebCells {
  WebCellFactory* factory = nullptr;
  std::string error;
};

// Opens the first candidate that exists and asks it for its factory. The
// module stays loaded for the rest of the process.
WebCells openWebCellModule(const std::vector<std::filesystem::path>& candidates);

// The process's web cells, opened from beside the program the first time
// they are asked for; a failure is kept too, and not tried again. Main thread only.
const WebCells& webCells();

// Starts opening them on a worker thread, so that the web cell about to be
// built finds them ready; webCells() then waits for that, if it must.
// Main thread only; does nothing once they are open or opening.
void prepareWebCells();

// For programs that link the web cells (tests, benches): these are the
// answer of webCells() from now on.
void provideWebCells(WebCells cells);
// For programs that open the module from elsewhere: webCells() opens this
// file, on first use, instead of looking beside the program.
void provideWebCellModule(std::filesystem::path file);

}  // namespace kivari
