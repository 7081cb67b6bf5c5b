#include "motif/SiteCollection.h"
