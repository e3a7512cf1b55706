#include "Intent/IntentResolver.h"
