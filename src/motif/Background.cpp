#include "motif/Background.h"
