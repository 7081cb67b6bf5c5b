#include "driver/Arguments.h"
