#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform.h"
#include "tkbsim/error.h"

namespace tkbsim {
namespace {

[[noreturn]] void Fail(const std::string& path, const char* what) {
    throw Error(path + ": " + what + ": " + std::strerror(errno));
}

// flock rather than fcntl locks: they belong to the open file, so two handles of one process
// exclude each other too, and closing some other descriptor of the file does not drop them.
class PosixMappedFile : public MappedFile {
public:
    PosixMappedFile(int fd, uint8_t* data, uint64_t size) : fd_(fd), data_(data), size_(size) {}
    ~PosixMappedFile() override {
        munmap(data_, size_);
        close(fd_);
    }
    uint8_t* Data() override { return data_; }
    uint64_t Size() const override { return size_; }
    void Lock() override {
        while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    void Unlock() override { flock(fd_, LOCK_UN); }

private:
    int fd_;
    uint8_t* data_;
    uint64_t size_;
};

std::unique_ptr<MappedFile> Map(int fd, const std::string& path) {
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        Fail(path, "cannot read its size");
    }
    if (!S_ISREG(status.st_mode)) {
        close(fd);
        throw Error(path + ": not a regular file");
    }
    if (status.st_size == 0) {
        close(fd);
        throw Error(path + ": the file is empty");
    }
    void* data =
        mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        const int saved = errno;
        close(fd);
        errno = saved;
        Fail(path, "cannot map it");
    }
    return std::make_unique<PosixMappedFile>(fd, static_cast<uint8_t*>(data), status.st_size);
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::Open(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        Fail(path, "cannot open it");
    }
    return Map(fd, path);
}

std::unique_ptr<MappedFile> MappedFile::Create(const std::string& path, uint64_t size) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        Fail(path, "cannot create it");
    }
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
        const int saved = errno;
        close(fd);
        unlink(path.c_str());
        errno = saved;
        Fail(path, "cannot size it");
    }
    return Map(fd, path);
}

uint32_t CurrentProcessId() {
    return static_cast<uint32_t>(getpid());
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
    // A hard link fails when the name exists, which rename would silently replace.
    if (link(from.c_str(), to.c_str()) != 0) {
        if (errno == EEXIST) {
            return false;
        }
        Fail(to, "cannot create it");
    }
    unlink(from.c_str());
    return true;
}

void RemoveFile(const std::string& path) {
    unlink(path.c_str());
}

std::string ModuleDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleDirectory), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    // The main program may be named without a folder; the kernel knows its full path.
    const bool named = std::strchr(info.dli_fname, '/') != nullptr;
    std::error_code error;
    const std::filesystem::path module =
        std::filesystem::canonical(named ? info.dli_fname : "/proc/self/exe", error);
    return error ? std::string{} : module.parent_path().string();
}

std::string EnvironmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace tkbsim
