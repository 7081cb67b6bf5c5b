#include "scoring/IntegrationWindows.h"
