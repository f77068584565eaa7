#include "frame/platform.h"

namespace tkr {

// Shared libraries carry no version resource here; the build writes in the version that the
// Windows resource carries.
std::string ReadOwnVersion() {
    return TKR50API_VERSION_STRING;
}

}  // namespace tkr
