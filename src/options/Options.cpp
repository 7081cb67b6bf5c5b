#include "options/Options.h"
