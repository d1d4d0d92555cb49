// A folder that includes from one of its own level.
#include "files/settings.h"
