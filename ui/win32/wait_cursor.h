// The system's wait cursor for a scope: SetCursor with the hourglass, the previous cursor put back
// on every way out.
#pragma once

#include <windows.h>

namespace ui::win32 {

// The system's hourglass (IDC_WAIT names it in the narrow form only, without UNICODE).
inline HCURSOR WaitCursorShape() {
    return LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
}

class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(WaitCursorShape())) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace ui::win32
