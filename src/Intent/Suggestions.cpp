#include "Intent/Suggestions.h"
