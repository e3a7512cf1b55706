#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kivari {

// The web engine runs every page inside a sandbox (bubblewrap) and ends the
// whole program when that sandbox cannot start. What can be seen beforehand
// is looked at here, so that a web cell that could not start says why and
// Kivari goes on; the sandbox itself is never given up.

// Why the sandbox cannot start.
struct SandboxObstacle {
  // The place at fault, as the user would type it; empty when the system
  // itself refuses the sandbox.
  std::string path;
  // In plain words: the system's reason for the path, or the sandbox
  // program's own for the system.
  std::string reason;
};

// What keeps `path` from being bound into the sandbox: the sandbox skips a
// place that does not exist, and stops at any other error on the way to it
// (a loop of links, a path through a file, a folder the user cannot enter).
std::optional<SandboxObstacle> unbindablePath(const std::string& path);

// The places in the user's home, folders and environment that the engine
// binds into a page's sandbox when they exist, found as the engine finds
// them. `x11`: the display is an X server's (its authority file is bound).
std::vector<std::string> sandboxBoundPaths(bool x11);

// Runs the sandbox program once, asking for the namespaces a page's sandbox
// asks for; answers why it could not make them, as it says it, or nothing
// when it could. `program` is the sandbox program the engine runs.
std::optional<SandboxObstacle> sandboxRefused(const std::string& program = "/usr/bin/bwrap");

// The first obstacle to a page's sandbox now: an unbindable place, else the
// system's refusal. A system that once made the sandbox is not asked again.
std::optional<SandboxObstacle> webSandboxObstacle(bool x11);

// The lines a web cell that cannot open shows (the cell's own two, and the
// ribbon's, which begins with the cell's name).
struct SandboxObstacleText {
  std::string title;
  std::string detail;
  std::string ribbon;
};
SandboxObstacleText describeObstacle(const SandboxObstacle& obstacle, const std::string& cellName);

}  // namespace kivari
