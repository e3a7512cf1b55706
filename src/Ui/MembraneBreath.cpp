#include "Ui/MembraneBreath.h"

#include <cmath>

namespace kivari {

double breathLevel(double secondsShown) {
  if (secondsShown <= 0) return 0;
  const double phase = std::fmod(secondsShown, 6.0);
  const double t = phase < 3.0 ? phase / 3.0 : (6.0 - phase) / 3.0;
  return t < 0.5 ? 2 * t * t : 1 - std::pow(-2 * t + 2, 2) / 2;  // ease in and out
}

}  // namespace kivari
