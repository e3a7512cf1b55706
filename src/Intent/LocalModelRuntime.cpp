#include "Intent/LocalModelRuntime.h"
