// What the module keeps for COM: its instance handle, and the counts that tell DllCanUnloadNow
// whether any object of the module still lives or a client holds the server locked.
#pragma once

#include <windows.h>

namespace qdflip::dshow {

// Recorded by the DLL entry when the module is loaded.
void SetModuleInstance(HINSTANCE instance);
HINSTANCE ModuleInstance();

// Every COM object of the module (filters, pins' enumerators, class factories) counts itself from
// construction to destruction.
void ObjectCreated();
void ObjectDestroyed();
// IClassFactory::LockServer.
void LockModule(bool lock);
// True when no object lives and no lock is held.
bool ModuleCanUnload();

// Counts a COM object for the life of the C++ object that holds it.
class ModuleObjectCount {
public:
    ModuleObjectCount() { ObjectCreated(); }
    ModuleObjectCount(const ModuleObjectCount&) { ObjectCreated(); }
    ModuleObjectCount& operator=(const ModuleObjectCount&) = default;
    ~ModuleObjectCount() { ObjectDestroyed(); }
};

}  // namespace qdflip::dshow
