#include "motif/Cutoff.h"
