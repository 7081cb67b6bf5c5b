#include "results/ResultsFile.h"
