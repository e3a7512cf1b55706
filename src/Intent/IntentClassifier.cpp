#include "Intent/IntentClassifier.h"
