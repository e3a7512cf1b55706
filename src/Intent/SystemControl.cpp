#include "Intent/SystemControl.h"
