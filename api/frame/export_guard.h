// The one guard around the body of every export: nothing may throw across the C boundary.
#pragma once

#include <cstdint>
#include <new>

#include "tkr/protocol.h"
#include "transport/transport.h"

namespace tkr {

// Runs an export's body. A failed allocation (buffers follow the caller's lengths, up to 16 MiB)
// becomes TKRUSB20_RET_ERROR_SYSTEM | ERROR_NOT_ENOUGH_MEMORY; any other exception, which would be a
// fault of the library, becomes TKRUSB20_RET_ERROR_SYSTEM | ERROR_INTERNAL_ERROR.
template <class Body>
int32_t GuardedExport(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return SystemResult(kErrorNotEnoughMemory);
    } catch (...) {
        return SystemResult(kErrorInternalError);
    }
}

}  // namespace tkr
