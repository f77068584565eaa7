#include <fstream>
#include <iterator>

#include "setting_files/setting_file_runner.h"

namespace tkbctl {

// Files here cannot be locked against other writers the Windows way; the bytes are read as they are.
std::optional<std::vector<uint8_t>> ReadSettingFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return bytes;
}

}  // namespace tkbctl
