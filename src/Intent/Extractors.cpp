#include "Intent/Extractors.h"
