#include "Intent/LanguageModel.h"
