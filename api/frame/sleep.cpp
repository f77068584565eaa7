#include <chrono>
#include <thread>

#include "frame/hooks.h"
#include "frame/platform.h"

namespace tkr {

namespace {
SleepFunction sleepFunction = nullptr;
}

void SetSleepFunction(SleepFunction function) {
    sleepFunction = function;
}

void SleepMilliseconds(uint32_t milliseconds) {
    if (sleepFunction) {
        sleepFunction(milliseconds);
    } else if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

}  // namespace tkr
