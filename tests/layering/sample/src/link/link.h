// A folder that includes from a folder above it.
#include "ops/session.h"
