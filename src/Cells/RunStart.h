#pragma once

#include "Core/RunFolder.h"

#include <filesystem>
#include <memory>

namespace kivari {

// A run's start, before any library reads its environment: removes the
// folders of ended runs, makes this run's, points the libraries' caches into
// it, gives the process a data home there (and the runtime folder too when
// the session has none) and sweeps the runtime folder. Nothing when no run
// folder could be made.
std::unique_ptr<RunFolder> startRun(const char* sessionRuntime);
// The data home startRun gave the process; empty when it gave none.
std::filesystem::path runDataHome();

}  // namespace kivari
