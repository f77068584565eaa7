// What the board settings dialog needs of the system around it: the update image files, the memory
// for an image and its read-back, and the pause after "Set". The program gives the platform's
// (PlatformSettingDialogServices); tests give fakes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "update/image_file.h"

namespace tkbctl {

class SettingDialogServices {
public:
    virtual ~SettingDialogServices() = default;

    // See OpenImageFileExclusive.
    virtual std::unique_ptr<ImageFile> OpenImageFile(const std::string& path) = 0;
    // `bytes` zero-filled bytes; nullptr when the memory cannot be had.
    virtual std::unique_ptr<uint8_t[]> Allocate(size_t bytes) = 0;
    virtual void Pause(std::chrono::milliseconds duration) = 0;
};

class PlatformSettingDialogServices final : public SettingDialogServices {
public:
    std::unique_ptr<ImageFile> OpenImageFile(const std::string& path) override;
    std::unique_ptr<uint8_t[]> Allocate(size_t bytes) override;
    void Pause(std::chrono::milliseconds duration) override;
};

}  // namespace tkbctl
