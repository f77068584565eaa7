#include <windows.h>

#include <algorithm>

#include "setting_files/setting_file_runner.h"

namespace tkbctl {

// Opened without sharing, so that no other program changes the file while it is read.
std::optional<std::vector<uint8_t>> ReadSettingFileBytes(const std::string& path) {
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<std::vector<uint8_t>> result;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart <= static_cast<LONGLONG>(SIZE_MAX / 2)) {
        std::vector<uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        DWORD read = 1;
        while (done < bytes.size() && read != 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            if (!ReadFile(file, bytes.data() + done, chunk, &read, nullptr))
                break;
            done += read;
        }
        if (done == bytes.size())
            result = std::move(bytes);
    }
    CloseHandle(file);
    return result;
}

}  // namespace tkbctl
