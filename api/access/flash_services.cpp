// Flash, firmware and version services. The board's firmware erases and programs its flash
// itself; an image goes out as one data exchange, and callers verify by reading it back.
#include <cstring>
#include <new>
#include <vector>

#include "TKR50API.h"
#include "access/command.h"
#include "tkr/protocol.h"

using namespace tkr;

namespace {

constexpr uint32_t kSettingsAddress = 0x1F0000;
constexpr uint32_t kFx3Address = 0x100000;
constexpr uint32_t kFpgaAddress = 0x000000;
constexpr uint32_t kFx3UAddress = 0x180000;
constexpr uint32_t kFpgaUAddress = 0x080000;
constexpr uint32_t kMax24Bit = 0xFFFFFF;
constexpr uint32_t kMaxVersionLength = 0xFF;  // one-byte length field

std::vector<uint8_t> BootMemFrame(uint8_t command, uint32_t address, uint32_t length) {
    std::vector<uint8_t> frame{command, kSelectorFlash};
    AppendBigEndian(frame, address, 3);
    AppendBigEndian(frame, length, 3);
    return frame;
}

// Address and length travel in 24-bit fields: anything wider would land somewhere else in flash.
bool OutsideFlashFields(uint32_t address, uint32_t length) { return address > kMax24Bit || length > kMax24Bit; }

}  // namespace

extern "C" {

int32_t TKR50API_TKBSettingWrite(uint32_t length, const uint8_t* data) {
    return TKR50API_SPIWrite(kCmdSpiWrite, kSelectorFlash, kSettingsAddress, length, data);
}

int32_t TKR50API_TKBSettingRead(uint32_t length, uint8_t* buffer) {
    return TKR50API_SPIRead(kCmdSpiRead, kSelectorFlash, kSettingsAddress, length, buffer);
}

int32_t TKR50API_TKB20USettingWrite(uint32_t length, const uint8_t* data) {
    return TKR50API_TKBSettingWrite(length, data);
}

int32_t TKR50API_TKB20USettingRead(uint32_t length, uint8_t* buffer) {
    return TKR50API_TKBSettingRead(length, buffer);
}

int32_t TKR50API_TKBSPIBootMemUpdate(uint32_t address, uint32_t length, const uint8_t* data) {
    DeviceConnection* connection = Connection();
    if (!connection) return kResultNotOpen;
    if (OutsideFlashFields(address, length) || (!data && length != 0)) return kResultParam;

    // The header announces the region; its reply is not judged: the data exchange's status says
    // whether the board took the image.
    return WithLargeBuffers([&] {
        std::vector<uint8_t> header = BootMemFrame(kCmdBootMemProgram, address, length);
        RunCommand(*connection, header);

        std::vector<uint8_t> image(data, data + length);
        return RunCommand(*connection, image);
    });
}

int32_t TKR50API_TKBSPIBootMemRead(uint32_t address, uint32_t length, uint8_t* buffer) {
    DeviceConnection* connection = Connection();
    if (!connection) return kResultNotOpen;
    if (OutsideFlashFields(address, length) || (!buffer && length != 0)) return kResultParam;

    return WithLargeBuffers([&] {
        std::vector<uint8_t> frame = BootMemFrame(kCmdBootMemRead, address, length);
        std::vector<uint8_t> data(length);
        TransferPhase write{frame.data(), static_cast<uint32_t>(frame.size())};
        TransferPhase read{data.data(), length};
        // Boot memory comes back raw, without a status byte; the caller's buffer keeps its
        // contents when the read fails.
        if (Exchange(*connection, State().pipes, &write, &read) == kResultSuccess && length > 0) {
            std::memcpy(buffer, data.data(), length);
        }

        uint8_t scratch[kReplyBufferSize];
        TransferPhase closing{scratch, sizeof scratch};
        return Exchange(*connection, State().pipes, nullptr, &closing);
    });
}

int32_t TKR50API_Update(uint32_t address, uint32_t length, const uint8_t* data) {
    TKR50API_TKBSPIBootMemUpdate(address, length, data);
    return kResultSuccess;
}

int32_t TKR50API_TKBFX3Update(uint32_t length, const uint8_t* data) {
    return TKR50API_Update(kFx3Address, length, data);
}

int32_t TKR50API_TKBFPGAUpdate(uint32_t length, const uint8_t* data) {
    return TKR50API_Update(kFpgaAddress, length, data);
}

int32_t TKR50API_TKB20UFX3Update(uint32_t length, const uint8_t* data) {
    return TKR50API_Update(kFx3UAddress, length, data);
}

int32_t TKR50API_TKB20UFPGAUpdate(uint32_t length, const uint8_t* data) {
    return TKR50API_Update(kFpgaUAddress, length, data);
}

// The fixed-address read-backs report 1 whatever happened: callers compare the data they got.
static int32_t ReadBack(uint32_t address, uint32_t length, uint8_t* buffer) {
    TKR50API_TKBSPIBootMemRead(address, length, buffer);
    return kResultSuccess;
}

int32_t TKR50API_TKBFX3BootMemRead(uint32_t length, uint8_t* buffer) { return ReadBack(kFx3Address, length, buffer); }

int32_t TKR50API_TKBFPGABootMemRead(uint32_t length, uint8_t* buffer) {
    return ReadBack(kFpgaAddress, length, buffer);
}

int32_t TKR50API_TKB20UFX3BootMemRead(uint32_t length, uint8_t* buffer) {
    return ReadBack(kFx3UAddress, length, buffer);
}

int32_t TKR50API_TKB20UFPGABootMemRead(uint32_t length, uint8_t* buffer) {
    return ReadBack(kFpgaUAddress, length, buffer);
}

int32_t TKR50API_TKBVersionInfo(uint32_t length, uint8_t* buffer) {
    DeviceConnection* connection = Connection();
    if (!connection) return kResultNotOpen;
    if (!buffer || length > kMaxVersionLength) return kResultParam;

    std::vector<uint8_t> frame{kCmdVersion, static_cast<uint8_t>(length), 0, 0, 0};
    return RunCommand(*connection, frame, length, buffer);
}

}  // extern "C"
