#include "motif/CollectionLogs.h"
