#include "results/GeneContext.h"
