// Hooks that let tests observe what the library would otherwise do to the wall clock.
#pragma once

#include <cstdint>

namespace tkr {

using SleepFunction = void (*)(uint32_t milliseconds);

// Replaces the sleep of the one-block I2C calls; nullptr restores the real sleep.
void SetSleepFunction(SleepFunction function);

}  // namespace tkr
