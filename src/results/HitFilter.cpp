#include "results/HitFilter.h"
