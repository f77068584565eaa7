// The shared open flag on Windows: the only variable of the shared section .MyShare, which every
// process that loads this module file sees as one.
#include "frame/platform.h"

namespace {
__attribute__((section(".MyShare"), shared)) volatile uint32_t sharedOpenFlag = 0;
}

namespace tkr {
volatile uint32_t& SharedOpenFlag() {
    return sharedOpenFlag;
}
}  // namespace tkr
