#include "results/SequenceLogs.h"
