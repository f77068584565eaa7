#include <windows.h>

#include <algorithm>

#include "update/image_file.h"

namespace tkbctl {

namespace {

class Win32ImageFile final : public ImageFile {
public:
    Win32ImageFile(HANDLE file, uint64_t size) : file_(file), size_(size) {}
    ~Win32ImageFile() override { CloseHandle(file_); }
    Win32ImageFile(const Win32ImageFile&) = delete;
    Win32ImageFile& operator=(const Win32ImageFile&) = delete;

    uint64_t Size() override { return size_; }

    bool ReadAll(std::span<uint8_t> buffer) override {
        LARGE_INTEGER start{};
        if (!SetFilePointerEx(file_, start, nullptr, FILE_BEGIN))
            return false;
        size_t done = 0;
        while (done < buffer.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(buffer.size() - done, 1u << 20));
            DWORD read = 0;
            if (!ReadFile(file_, buffer.data() + done, chunk, &read, nullptr) || read == 0)
                return false;
            done += read;
        }
        return true;
    }

private:
    const HANDLE file_;
    const uint64_t size_;
};

}  // namespace

std::unique_ptr<ImageFile> OpenImageFileExclusive(const std::string& path) {
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return nullptr;
    }
    return std::make_unique<Win32ImageFile>(file, static_cast<uint64_t>(size.QuadPart));
}

}  // namespace tkbctl
