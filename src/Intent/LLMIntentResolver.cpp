#include "Intent/LLMIntentResolver.h"
