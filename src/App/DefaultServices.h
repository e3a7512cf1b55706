#pragma once

#include "Core/AppState.h"

namespace kivari {

// The real understanding and actions: the rules, the machine's own commands
// and the local language model on loopback.
AppStateServices makeDefaultServices();

}  // namespace kivari
