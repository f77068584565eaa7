#include "window_driver.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace ui::test {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

namespace {

struct Search {
    HWND owner;
    const std::wstring* caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchOwnedDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(window))
        return TRUE;
    if (search->owner && GetWindow(window, GW_OWNER) != search->owner)
        return TRUE;
    if (!search->caption->empty() && WindowText(window) != *search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND FindOwnedDialog(HWND owner, const std::wstring& caption) {
    Search search{owner, &caption};
    EnumWindows(MatchOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForOwnedDialog(HWND owner, const std::wstring& caption) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindOwnedDialog(owner, caption)) != nullptr; });
    return found;
}

HWND WaitForDialog(const std::wstring& caption) {
    return WaitForOwnedDialog(nullptr, caption);
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring MessageBoxText(HWND box) {
    return WindowText(GetDlgItem(box, 0xFFFF));
}

void PostClick(HWND dialog, int buttonId) {
    PostMessageW(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
}

void PostKey(HWND control, WPARAM virtualKey) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC))
                        << 16;
    PostMessageW(control, WM_KEYDOWN, virtualKey, scan | 1);
    PostMessageW(control, WM_KEYUP, virtualKey, scan | 1 | (LPARAM{3} << 30));
}

bool SaveScreen(const std::wstring& path) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* pixels = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + imageBytes;
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
    out.write(static_cast<const char*>(pixels), imageBytes);
    const bool written = out.good();
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

}  // namespace ui::test
