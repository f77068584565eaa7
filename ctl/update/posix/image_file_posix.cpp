#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "update/image_file.h"

namespace tkbctl {

namespace {

// Files here cannot be locked against other writers the Windows way; the bytes are read as they are.
class PosixImageFile final : public ImageFile {
public:
    PosixImageFile(int descriptor, uint64_t size) : descriptor_(descriptor), size_(size) {}
    ~PosixImageFile() override { close(descriptor_); }
    PosixImageFile(const PosixImageFile&) = delete;
    PosixImageFile& operator=(const PosixImageFile&) = delete;

    uint64_t Size() override { return size_; }

    bool ReadAll(std::span<uint8_t> buffer) override {
        size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t read =
                pread(descriptor_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(done));
            if (read < 0 && errno == EINTR)
                continue;
            if (read <= 0)
                return false;
            done += static_cast<size_t>(read);
        }
        return true;
    }

private:
    const int descriptor_;
    const uint64_t size_;
};

}  // namespace

std::unique_ptr<ImageFile> OpenImageFileExclusive(const std::string& path) {
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    return std::make_unique<PosixImageFile>(descriptor, static_cast<uint64_t>(status.st_size));
}

}  // namespace tkbctl
