#pragma once

#include "platform/runtime/RuntimeError.h"

namespace expect {

// The number of the run-time error that `call` raises, or 0 when it raises none.
template <class Call> int raisedError(Call&& call)
{
    try {
        call();
    } catch (const rt::RuntimeError& error) {
        return error.number();
    }
    return 0;
}

} // namespace expect
