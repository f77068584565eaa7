// CTKRctlApp: the program. It prepares the common controls, runs the main window modally and ends
// the process when that window ends.
#pragma once

namespace tkbctl {

class CTKRctlApp {
public:
    // Runs the whole program; the value is the process's exit code.
    int InitInstance();
};

}  // namespace tkbctl
