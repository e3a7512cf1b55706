#include "Intent/PhraseTables.h"
