#include "sequences/SequenceSet.h"
