#include "results/Hit.h"

void Hit::reset()
{
    *this = Hit(windowLength);
}
