#pragma once

namespace kivari {

// How far the membrane's breath has swung: 0 at rest, 1 at full, easing in
// and out over 3 s each way, for as long as the cell is shown.
double breathLevel(double secondsShown);

}  // namespace kivari
