#pragma once

#include "platform/runtime/Runtime.h"

namespace rt {

// The seams of a running program: the wall clock, Qt's event dispatcher,
// message boxes, detached processes and the application's event loop.
Runtime::Seams realSeams();

} // namespace rt
