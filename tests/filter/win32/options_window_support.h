// Finding and driving the options window the way a user's actions reach it: selections and clicks
// arrive as the notifications the controls send.
#pragma once

#include <windows.h>

#include <string>

namespace qdflip::test {

inline constexpr int kModeList = 2000;
inline constexpr int kFastModeBox = 2001;
inline constexpr int kGainR = 2002;
inline constexpr int kGainG = 2003;
inline constexpr int kGainB = 2004;
inline constexpr int kBayerList = 2005;

// The top-level "Filter Option" dialog of this process, or null.
HWND FindOptionsWindow();
// The same, waiting up to `timeoutMs` while serving this thread's messages.
HWND WaitForOptionsWindow(DWORD timeoutMs);

// Selects an item of a list as a user would: the selection, then the change notification.
void ChooseListItem(HWND dialog, int listId, int index);
// Types a text into an edit box: the edit sends its change notification itself.
void TypeText(HWND dialog, int editId, const char* text);
std::string ControlText(HWND dialog, int id);
int ListSelection(HWND dialog, int listId);

// Under a bare X server Wine waits about two seconds for every window it hides unless it leaves
// windows to itself; the setting belongs to the test prefix and takes effect for programs that start
// their first window after it.
void LeaveWindowsUnmanaged();

// Serves the messages waiting for this thread.
void PumpMessages();

// The INI file beside this test program, as the options window uses it.
std::string OwnIniPath();
std::string IniValue(const std::string& path, const char* key);

}  // namespace qdflip::test
