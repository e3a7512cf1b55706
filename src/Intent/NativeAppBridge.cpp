#include "Intent/NativeAppBridge.h"
