#include "scoring/Scoring.h"
