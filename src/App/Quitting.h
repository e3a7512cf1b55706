#pragma once

#include "Core/RunFolder.h"

#include <functional>
#include <memory>

namespace kivari {

// How a run ends, whenever it is asked to. The first thing a run does is
// takeQuitSignals(): from then on SIGINT, SIGTERM and SIGHUP (a terminal
// closing; unless started with it ignored) ask it to quit instead of ending
// the process where it stands, which would leave its run folder.
// Once a quit is under way, a SIGINT or SIGTERM ends the process at once
// and further hang-ups are ignored (a closing terminal sends two); a quit
// that has not ended it within five seconds is ended by an alarm.
// They reach only a thread of their own: every other thread, and every
// process one of them starts (the web engine's helpers), holds them back,
// so a signal to the whole process group ends none of those under the
// engine's feet. What is started for the user lets them through again
// (unblockQuitSignals).
void takeQuitSignals();
// Whether a quit has been asked for.
bool quitAsked();
// Calls `quit` from the default main context once a quit is asked for; a
// quit asked for before this was called comes at the context's next turn.
void quitOnSignals(std::function<void()> quit);

// From now on an error a library cannot go on from (GLib's fatal errors:
// the web engine's, when its sandbox fails for a cause no check foresaw)
// ends the run through `end` instead of a trap that would leave it all
// behind: as a quit, with status 0 and nothing said, when one had been
// asked for (a closing terminal takes the engine's helpers' terminal from
// under them); otherwise with status 1 and one line on standard error. The
// process ends once `end` returns.
void endRunOnFatalErrors(std::function<void(int status)> end);

// The run's last step: ends the processes the run started in its own
// environment (the web engine's), which would write into the run folder
// after it has gone, and the web sandboxes it started that a signal to the
// whole process group took from below it; sweeps what they left in the
// runtime folder and the settled folders of killed runs, removes the run
// folder and ends with `status`. Sound work still under way gets a moment
// to end first; a sound thread that never comes back is not waited for:
// the process then ends at once. Every wait is bounded.
int endRun(std::unique_ptr<RunFolder> run, int status);

}  // namespace kivari
