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

namespace {

BOOL CALLBACK PaintOwnWindow(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window))
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return TRUE;
}

// The screen's pixels inside `area`, bottom row first, 24 bits each, rows padded to four bytes.
std::vector<char> CaptureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
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
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::vector<char> image(static_cast<const char*>(pixels),
                            static_cast<const char*>(pixels) + rowBytes * static_cast<size_t>(height));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

}  // namespace

bool SaveScreenArea(const RECT& area, const std::filesystem::path& path) {
    if (area.right <= area.left || area.bottom <= area.top)
        return false;
    // The picture is taken once two captures in a row agree, so that what other threads or
    // processes are still drawing is in it.
    std::vector<char> image = CaptureScreen(area);
    WaitFor(
        [&] {
            std::vector<char> again = CaptureScreen(area);
            const bool settled = again == image;
            image = std::move(again);
            return settled;
        },
        std::chrono::seconds(5));
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = area.right - area.left;
    header.biHeight = area.bottom - area.top;
    header.biPlanes = 1;
    header.biBitCount = 24;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(image.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    out.write(image.data(), static_cast<std::streamsize>(image.size()));
    return out.good();
}

bool SaveScreen(const std::wstring& path) {
    // Windows of this process paint now.
    EnumWindows(PaintOwnWindow, 0);
    return SaveScreenArea(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                          std::filesystem::path(path));
}

}  // namespace ui::test
