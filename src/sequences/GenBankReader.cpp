#include "sequences/GenBankReader.h"
