#pragma once

// The graphics objects share the platform's reference counting.
#include "platform/ref_counted.h"
