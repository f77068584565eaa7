#include "ini/program_paths.h"

#include <filesystem>
#include <system_error>

namespace tkbctl {

const char kPathSeparator = '/';

std::string ExecutableFileName() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

std::string CurrentDirectory() {
    std::error_code error;
    return std::filesystem::current_path(error).string();
}

}  // namespace tkbctl
