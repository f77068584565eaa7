// An update image file, opened once and read whole: the update procedures open it before they ask
// the user and read it only once the user agreed, so it must stay as it was in between.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tkbctl {

class ImageFile {
public:
    virtual ~ImageFile() = default;
    // The file's length in bytes when it was opened.
    virtual uint64_t Size() = 0;
    // Reads the file from its start into `buffer`, which holds Size() bytes; false when fewer
    // bytes could be read.
    virtual bool ReadAll(std::span<uint8_t> buffer) = 0;
};

// Opens `path` for reading its bytes; nullptr when it cannot be opened. On Windows the file is
// shared with no one while it is open, so no other program changes or removes it meanwhile.
std::unique_ptr<ImageFile> OpenImageFileExclusive(const std::string& path);

}  // namespace tkbctl
