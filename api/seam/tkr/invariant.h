// Internal invariants: what the code itself guarantees, as opposed to what callers, boards and files
// send, which is validated and answered with an error. A broken invariant is a bug; builds that check
// them (the native ones, TKR_CHECK_INVARIANTS) stop at once with the place, the others compile the
// check away.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace tkr {

[[noreturn]] inline void InvariantBroken(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

}  // namespace tkr

#if defined(TKR_CHECK_INVARIANTS)
#define TKR_INVARIANT(condition) \
    ((condition) ? static_cast<void>(0) : ::tkr::InvariantBroken(#condition, __FILE__, __LINE__))
#else
#define TKR_INVARIANT(condition) static_cast<void>(0)
#endif
