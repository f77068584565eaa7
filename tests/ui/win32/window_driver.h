// Acting on windows as a user would, from a thread other than the one that runs them: find them by
// polling with a time-out, read their texts, press their buttons, take screenshots.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace ui::test {

// Polls `condition` every 50 ms until it holds or `timeout` has passed; answers whether it held.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(20));

// A visible dialog-class window (a dialog, a message box, the file dialog) owned by `owner`; with a
// caption given, only one with that caption. nullptr when there is none.
HWND FindOwnedDialog(HWND owner, const std::wstring& caption = {});
// Waits for one; nullptr after the time-out.
HWND WaitForOwnedDialog(HWND owner, const std::wstring& caption = {});
// Waits until a top-level dialog of this process with `caption` is visible.
HWND WaitForDialog(const std::wstring& caption);

std::wstring WindowText(HWND window);
// The text a message box shows (its static control 0xFFFF).
std::wstring MessageBoxText(HWND box);

// Presses a button without waiting for what its click does (which may run a modal loop).
void PostClick(HWND dialog, int buttonId);
// A key as the keyboard sends it to `control`, through the window's message loop and so through
// the dialog manager.
void PostKey(HWND control, WPARAM virtualKey);

// What the screen shows inside `area` as a 24-bit BMP file; false when the area is empty or the
// file could not be written.
bool SaveScreenArea(const RECT& area, const std::filesystem::path& path);
// The whole screen, after this process's windows have painted.
bool SaveScreen(const std::wstring& path);

}  // namespace ui::test
