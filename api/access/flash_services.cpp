// Flash, firmware and version services. The board's firmware erases and programs its flash
// itself; an image goes out as one data exchange, and callers verify by reading it back.
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "TKR50API.h"
#include "access/command.h"
#include "frame/export_guard.h"
#include "tkr/protocol.h"

using namespace tkr;

namespace {

constexpr uint32_t kMax24Bit = 0xFFFFFF;
constexpr uint32_t kMaxVersionLength = 0xFF;  // one-byte length field

std::vector<uint8_t> BootMemFrame(uint8_t command, uint32_t address, uint32_t length) {
    std::vector<uint8_t> frame{command, kSelectorFlash};
    AppendBigEndian(frame, address, 3);
    AppendBigEndian(frame, length, 3);
    return frame;
}

// Address and length travel in 24-bit fields: anything wider would land somewhere else in flash.
bool OutsideFlashFields(uint32_t address, uint32_t length) {
    return address > kMax24Bit || length > kMax24Bit;
}

// The process's progress callback. Its own lock, not the system one: registering must never wait
// for another process's transfer.
std::mutex progressMutex;
TransferProgress registeredProgress;

// The callback registered when a flash export starts, for one of its directions.
TransferProgress ProgressFor(uint32_t operation) {
    std::lock_guard<std::mutex> lock(progressMutex);
    TransferProgress progress = registeredProgress;
    progress.operation = operation;
    return progress;
}

}  // namespace

extern "C" {

int32_t TKR50API_SetProgressCallback(TKR50API_ProgressCallback callback, void* context) noexcept {
    return GuardedExport([&]() -> int32_t {
        std::lock_guard<std::mutex> lock(progressMutex);
        registeredProgress.callback = callback;
        registeredProgress.context = context;
        return TKRUSB20_RET_SUCCESS;
    });
}

int32_t TKR50API_TKBSettingWrite(uint32_t length, const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t {
        return TKR50API_SPIWrite(kCmdSpiWrite, kSelectorFlash, kFlashSettings, length, data);
    });
}

int32_t TKR50API_TKBSettingRead(uint32_t length, uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t {
        return TKR50API_SPIRead(kCmdSpiRead, kSelectorFlash, kFlashSettings, length, buffer);
    });
}

int32_t TKR50API_TKB20USettingWrite(uint32_t length, const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t { return TKR50API_TKBSettingWrite(length, data); });
}

int32_t TKR50API_TKB20USettingRead(uint32_t length, uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t { return TKR50API_TKBSettingRead(length, buffer); });
}

int32_t TKR50API_TKBSPIBootMemUpdate(uint32_t address, uint32_t length, const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (OutsideFlashFields(address, length) || (!data && length != 0))
            return TKRUSB20_RET_ERROR_PARAM;

        // The header announces the region; its reply is not judged: the data exchange's status says
        // whether the board took the image.
        std::vector<uint8_t> header = BootMemFrame(kCmdBootMemProgram, address, length);
        RunCommand(*connection, header);

        std::vector<uint8_t> image(data, data + length);
        const TransferProgress progress = ProgressFor(TKR50API_PROGRESS_WRITE);
        return RunCommand(*connection, image, 0, nullptr, &progress);
    });
}

int32_t TKR50API_TKBSPIBootMemRead(uint32_t address, uint32_t length, uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (OutsideFlashFields(address, length) || (!buffer && length != 0))
            return TKRUSB20_RET_ERROR_PARAM;

        std::vector<uint8_t> frame = BootMemFrame(kCmdBootMemRead, address, length);
        std::vector<uint8_t> data(length);
        TransferPhase write{frame.data(), static_cast<uint32_t>(frame.size())};
        const TransferProgress progress = ProgressFor(TKR50API_PROGRESS_READ);
        TransferPhase read{data.data(), length, 0, &progress};
        // Boot memory comes back raw, without a status byte; the caller's buffer keeps its
        // contents when the read fails.
        if (Exchange(*connection, State().pipes, &write, &read) == TKRUSB20_RET_SUCCESS && length > 0) {
            std::memcpy(buffer, data.data(), length);
        }

        uint8_t scratch[kReplyBufferSize];
        TransferPhase closing{scratch, sizeof scratch};
        return Exchange(*connection, State().pipes, nullptr, &closing);
    });
}

int32_t TKR50API_Update(uint32_t address, uint32_t length, const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t {
        TKR50API_TKBSPIBootMemUpdate(address, length, data);
        return TKRUSB20_RET_SUCCESS;
    });
}

int32_t TKR50API_TKBFX3Update(uint32_t length, const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t { return TKR50API_Update(kFlashFx3Image, length, data); });
}

int32_t TKR50API_TKBFPGAUpdate(uint32_t length, const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t { return TKR50API_Update(kFlashFpgaImage, length, data); });
}

int32_t TKR50API_TKB20UFX3Update(uint32_t length, const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t { return TKR50API_Update(kFlashFx3ImageUpper, length, data); });
}

int32_t TKR50API_TKB20UFPGAUpdate(uint32_t length, const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t { return TKR50API_Update(kFlashFpgaImageUpper, length, data); });
}

// The fixed-address read-backs report 1 whatever happened: callers compare the data they got.
static int32_t ReadBack(uint32_t address, uint32_t length, uint8_t* buffer) {
    TKR50API_TKBSPIBootMemRead(address, length, buffer);
    return TKRUSB20_RET_SUCCESS;
}

int32_t TKR50API_TKBFX3BootMemRead(uint32_t length, uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t { return ReadBack(kFlashFx3Image, length, buffer); });
}

int32_t TKR50API_TKBFPGABootMemRead(uint32_t length, uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t { return ReadBack(kFlashFpgaImage, length, buffer); });
}

int32_t TKR50API_TKB20UFX3BootMemRead(uint32_t length, uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t { return ReadBack(kFlashFx3ImageUpper, length, buffer); });
}

int32_t TKR50API_TKB20UFPGABootMemRead(uint32_t length, uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t { return ReadBack(kFlashFpgaImageUpper, length, buffer); });
}

int32_t TKR50API_TKBVersionInfo(uint32_t length, uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (!buffer || length > kMaxVersionLength)
            return TKRUSB20_RET_ERROR_PARAM;

        std::vector<uint8_t> frame{kCmdVersion, static_cast<uint8_t>(length), 0, 0, 0};
        return RunCommand(*connection, frame, length, buffer);
    });
}

}  // extern "C"
