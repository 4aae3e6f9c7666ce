// The driver's C API with default visibility: everything else in the module stays hidden.
#pragma once

#pragma GCC visibility push(default)
#include "voq7304.h"
#pragma GCC visibility pop
