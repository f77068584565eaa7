// I2C, SPI and FPGA register access: one frame, one exchange, one status byte each.
#include <vector>

#include "TKR50API.h"
#include "access/command.h"
#include "frame/export_guard.h"
#include "frame/platform.h"
#include "tkr/protocol.h"

using namespace tkr;

namespace {

constexpr uint32_t kMaxSlave = 0x7F;
constexpr uint32_t kMaxSpiAddress = 0xFFFFFF;
constexpr uint32_t kMaxWriteLength = 0xFFFFFF;  // 24-bit length field
constexpr uint32_t kMaxSpiReadCount = 0xFFFF;   // 16-bit count field
constexpr uint32_t kMaxI2CReadCount = 0xFF;     // 8-bit count field
constexpr uint32_t kMaxReplyData = kReplyBufferSize - 1;

constexpr uint32_t kOneBlockDelayMask = 0x7FFF;  // bits 14-0, in units of 10 ms
constexpr uint32_t kOneBlockFlag = 0x80000000;

// A write needs its data unless it has none to send.
bool MissingData(const void* data, uint32_t length) {
    return data == nullptr && length != 0;
}

// A read must fit its count field and the reply buffer behind the status byte.
bool ReadTooLong(uint32_t length, uint32_t fieldMax) {
    return length > fieldMax || length > kMaxReplyData;
}

std::vector<uint8_t> I2CAddressFrame(uint8_t command, uint32_t slave, uint32_t subAddress, bool wordAddress) {
    std::vector<uint8_t> frame{command, static_cast<uint8_t>(slave << 1)};
    AppendBigEndian(frame, subAddress, wordAddress ? 2 : 1);
    return frame;
}

void OneBlockDelay(uint32_t options) {
    SleepMilliseconds((options & kOneBlockDelayMask) * 10);
}

}  // namespace

extern "C" {

int32_t TKR50API_I2CBlockWrite(uint32_t slave, uint32_t subAddress, uint32_t length, const uint8_t* data,
                               uint32_t wordAddress) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (length > State().pipes.outMaxPacket || slave > kMaxSlave)
            return TKRUSB20_RET_ERROR_PARAM;
        if (MissingData(data, length))
            return TKRUSB20_RET_ERROR_PARAM;

        std::vector<uint8_t> frame = I2CAddressFrame(kCmdI2CWrite, slave, subAddress, wordAddress != 0);
        AppendData(frame, data, length);
        return RunCommand(*connection, frame);
    });
}

int32_t TKR50API_I2CBlockRead(uint32_t slave, uint32_t subAddress, uint32_t length, uint8_t* buffer,
                              uint32_t wordAddress) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (!buffer || length > State().pipes.inMaxPacket || slave > kMaxSlave)
            return TKRUSB20_RET_ERROR_PARAM;
        if (ReadTooLong(length, kMaxI2CReadCount))
            return TKRUSB20_RET_ERROR_PARAM;

        const bool word = wordAddress != 0;
        std::vector<uint8_t> frame =
            I2CAddressFrame(word ? kCmdI2CRead16 : kCmdI2CRead8, slave, subAddress, word);
        frame.push_back(static_cast<uint8_t>(length));
        return RunCommand(*connection, frame, length, buffer);
    });
}

int32_t TKR50API_I2COneBlockWrite(uint32_t slave, uint32_t length, uint32_t options,
                                  const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (length > State().pipes.outMaxPacket || slave > kMaxSlave)
            return TKRUSB20_RET_ERROR_PARAM;
        if (MissingData(data, length))
            return TKRUSB20_RET_ERROR_PARAM;

        std::vector<uint8_t> frame{kCmdI2CWrite, static_cast<uint8_t>((slave << 1) | (options >> 31))};
        AppendData(frame, data, length);
        const int32_t result = RunCommand(*connection, frame);
        OneBlockDelay(options);
        return result;
    });
}

int32_t TKR50API_I2COneBlockRead(uint32_t slave, uint32_t length, uint32_t options,
                                 uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (!buffer || length > State().pipes.inMaxPacket || slave > kMaxSlave)
            return TKRUSB20_RET_ERROR_PARAM;
        if (ReadTooLong(length, kMaxI2CReadCount))
            return TKRUSB20_RET_ERROR_PARAM;

        std::vector<uint8_t> frame{kCmdI2CRead8, static_cast<uint8_t>((slave << 1) + 1),
                                   static_cast<uint8_t>((options & kOneBlockFlag) ? 0 : 1),
                                   static_cast<uint8_t>(length)};
        const int32_t result = RunCommand(*connection, frame, length, buffer);
        OneBlockDelay(options);
        return result;
    });
}

int32_t TKR50API_SPIWrite(uint8_t command, uint8_t selector, uint32_t address, uint32_t length,
                          const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (address > kMaxSpiAddress)
            return TKRUSB20_RET_ERROR_PARAM;
        if (length > kMaxWriteLength || MissingData(data, length))
            return TKRUSB20_RET_ERROR_PARAM;

        std::vector<uint8_t> frame{command, selector};
        AppendBigEndian(frame, address, 3);
        AppendBigEndian(frame, length, 3);
        AppendData(frame, data, length);
        return RunCommand(*connection, frame);
    });
}

int32_t TKR50API_SPIRead(uint8_t command, uint8_t selector, uint32_t address, uint32_t length,
                         uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (!buffer || length > State().pipes.inMaxPacket || address > kMaxSpiAddress)
            return TKRUSB20_RET_ERROR_PARAM;
        if (ReadTooLong(length, kMaxSpiReadCount))
            return TKRUSB20_RET_ERROR_PARAM;

        std::vector<uint8_t> frame{command, selector};
        AppendBigEndian(frame, address, 3);
        AppendBigEndian(frame, length, 2);
        return RunCommand(*connection, frame, length, buffer);
    });
}

int32_t TKR50API_SPIFpgaWrite(uint8_t command, uint8_t selector, uint32_t address, uint32_t length,
                              const uint8_t* data) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (!data || length == 0)
            return TKRUSB20_RET_ERROR_PARAM;
        if (length > kMaxWriteLength)
            return TKRUSB20_RET_ERROR_PARAM;

        std::vector<uint8_t> frame{command, selector};
        AppendBigEndian(frame, address, 4);
        AppendBigEndian(frame, length, 3);
        AppendData(frame, data, length);
        return RunCommand(*connection, frame);
    });
}

int32_t TKR50API_SPIFpgaRead(uint8_t command, uint8_t selector, uint32_t address, uint32_t length,
                             uint8_t* buffer) noexcept {
    return GuardedExport([&]() -> int32_t {
        DeviceConnection* connection = Connection();
        if (!connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        if (!buffer || length > State().pipes.inMaxPacket)
            return TKRUSB20_RET_ERROR_PARAM;
        if (ReadTooLong(length, kMaxSpiReadCount))
            return TKRUSB20_RET_ERROR_PARAM;

        std::vector<uint8_t> frame{command, selector};
        AppendBigEndian(frame, address, 4);
        AppendBigEndian(frame, length, 2);
        return RunCommand(*connection, frame, length, buffer);
    });
}

}  // extern "C"
