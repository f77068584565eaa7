// Registration of the module's classes: each as a COM in-process server under
// HKEY_CLASSES_ROOT\CLSID (the module's full path, threading model "Both"), and each filter through
// IFilterMapper2 in the DirectShow filter category, with its merit and pins.
#pragma once

#include <windows.h>

namespace qdflip::dshow {

// TRUE registers every class of the factory table, FALSE removes them. Removing what is not
// registered succeeds; registering again replaces the entries.
HRESULT RegisterAllServers(BOOL registering);

}  // namespace qdflip::dshow
