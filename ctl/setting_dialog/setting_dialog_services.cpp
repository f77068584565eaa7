#include "setting_dialog/setting_dialog_services.h"

#include <new>
#include <thread>

namespace tkbctl {

std::unique_ptr<ImageFile> PlatformSettingDialogServices::OpenImageFile(const std::string& path) {
    return OpenImageFileExclusive(path);
}

std::unique_ptr<uint8_t[]> PlatformSettingDialogServices::Allocate(size_t bytes) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes]());
}

void PlatformSettingDialogServices::Pause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace tkbctl
