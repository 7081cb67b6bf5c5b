#include "sequences/FastaReader.h"
