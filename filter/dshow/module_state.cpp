#include "dshow/module_state.h"

#include <atomic>

namespace qdflip::dshow {
namespace {
HINSTANCE moduleInstance = nullptr;
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};
}  // namespace

void SetModuleInstance(HINSTANCE instance) {
    moduleInstance = instance;
}

HINSTANCE ModuleInstance() {
    return moduleInstance;
}

void ObjectCreated() {
    ++liveObjects;
}

void ObjectDestroyed() {
    --liveObjects;
}

void LockModule(bool lock) {
    if (lock) {
        ++serverLocks;
    } else {
        --serverLocks;
    }
}

bool ModuleCanUnload() {
    return liveObjects.load() == 0 && serverLocks.load() <= 0;
}

}  // namespace qdflip::dshow
