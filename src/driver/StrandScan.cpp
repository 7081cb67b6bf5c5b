#include "sequences/Sequence.h"
