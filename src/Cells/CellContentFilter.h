#pragma once

#include <webkit/webkit.h>

#include <functional>
#include <memory>

namespace kivari {

// The content rule list that keeps a manifest cell's page off the network:
// every load is blocked but those of the kivari-cell scheme (and of blob:
// and about: addresses, which never leave the page's process). WebKit
// checks it before any request, preconnection, DNS prefetch, socket or
// media load starts.
//
// It is compiled once for the process, the first time a cell asks, in a
// private folder of the run (or a private temporary folder when there is no
// run folder) that goes as soon as the compiled list is in memory: nothing
// is written under HOME, and nothing stays on disk.

// Handed the compiled filter, or nullptr when it could not be compiled.
using CellFilterReady = std::function<void(WebKitUserContentFilter* filter)>;

// Calls `ready` with the filter: at once when it is compiled already, else
// once compiling ends. Only a weak hold is kept: when the caller lets go of
// `ready` first, it is never called.
void whenCellFilterReady(const std::shared_ptr<CellFilterReady>& ready);

// For tests: the next cell compiles the filter anew, as the first of a run does.
void forgetCellFilter();

}  // namespace kivari
