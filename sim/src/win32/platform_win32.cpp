#include <windows.h>

#include <cstdlib>

#include "platform.h"
#include "tkbsim/error.h"

namespace tkbsim {
namespace {

[[noreturn]] void Fail(const std::string& path, const char* what) {
    throw Error(path + ": " + what + " (Windows error " + std::to_string(GetLastError()) + ")");
}

// The lock is a byte range far past the end of the file: it excludes other handles without
// touching the bytes that the mapped views share.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

class Win32MappedFile : public MappedFile {
public:
    Win32MappedFile(HANDLE file, HANDLE mapping, uint8_t* data, uint64_t size)
        : file_(file), mapping_(mapping), data_(data), size_(size) {}
    ~Win32MappedFile() override {
        UnmapViewOfFile(data_);
        CloseHandle(mapping_);
        CloseHandle(file_);
    }
    uint8_t* Data() override { return data_; }
    uint64_t Size() const override { return size_; }
    void Lock() override {
        OVERLAPPED range{};
        range.OffsetHigh = kLockOffsetHigh;
        LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range);
    }
    void Unlock() override {
        OVERLAPPED range{};
        range.OffsetHigh = kLockOffsetHigh;
        UnlockFileEx(file_, 0, 1, 0, &range);
    }

private:
    HANDLE file_;
    HANDLE mapping_;
    uint8_t* data_;
    uint64_t size_;
};

std::unique_ptr<MappedFile> Map(HANDLE file, const std::string& path) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        Fail(path, "cannot read its size");
    }
    if (size.QuadPart == 0) {
        CloseHandle(file);
        throw Error(path + ": the file is empty");
    }
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    if (mapping == nullptr) {
        const DWORD saved = GetLastError();
        CloseHandle(file);
        SetLastError(saved);
        Fail(path, "cannot map it");
    }
    void* data = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (data == nullptr) {
        const DWORD saved = GetLastError();
        CloseHandle(mapping);
        CloseHandle(file);
        SetLastError(saved);
        Fail(path, "cannot map it");
    }
    return std::make_unique<Win32MappedFile>(file, mapping, static_cast<uint8_t*>(data),
                                             static_cast<uint64_t>(size.QuadPart));
}

HANDLE OpenHandle(const std::string& path, DWORD disposition) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::Open(const std::string& path) {
    HANDLE file = OpenHandle(path, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) {
        Fail(path, "cannot open it");
    }
    return Map(file, path);
}

std::unique_ptr<MappedFile> MappedFile::Create(const std::string& path, uint64_t size) {
    HANDLE file = OpenHandle(path, CREATE_NEW);
    if (file == INVALID_HANDLE_VALUE) {
        Fail(path, "cannot create it");
    }
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
        const DWORD saved = GetLastError();
        CloseHandle(file);
        DeleteFileA(path.c_str());
        SetLastError(saved);
        Fail(path, "cannot size it");
    }
    return Map(file, path);
}

uint32_t CurrentProcessId() {
    return GetCurrentProcessId();
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), 0)) {
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
        return false;
    }
    Fail(to, "cannot create it");
}

void RemoveFile(const std::string& path) {
    DeleteFileA(path.c_str());
}

std::string ModuleDirectory() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&ModuleDirectory), &module)) {
        return {};
    }
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    std::string directory(path, length);
    const size_t slash = directory.find_last_of("\\/");
    return slash == std::string::npos ? std::string{} : directory.substr(0, slash);
}

std::string EnvironmentVariable(const char* name) {
    char value[32768];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string{};
}

}  // namespace tkbsim
