#include "firmware.h"

#include <algorithm>
#include <cstring>

#include "tkbsim/fpga_registers.h"
#include "tkr/invariant.h"
#include "tkr/protocol.h"

namespace tkbsim {
namespace {

// Side effects an FPGA write frame asks for, carried out when the frame is complete.
enum EffectBits : uint32_t {
    kEffectRestart = 1,
    kEffectCameraControl = 2,
};

uint32_t BigEndian(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

}  // namespace

Firmware::Firmware(state::BoardControl& control, uint8_t* flashStorage, const ModelInfo& model)
    : control_(control),
      rx_(control.receiver),
      model_(model),
      flash_(flashStorage, control.faults),
      fpga_(control.registers),
      bus_(control.bus),
      replies_(control.replies, control.faults, flash_),
      log_(control.log) {}

void Firmware::PowerOn() {
    fpga_.PowerOn(model_, state::IdentificationLetters(control_.header, model_));
    bus_.PowerOn(model_);
    rx_ = state::Receiver{};
    replies_.Clear();
}

void Firmware::Restart() {
    PowerOn();
    ++control_.header.restarts;
}

bool Firmware::CamerasRunning() const {
    const uint32_t control = fpga_.Read(tkr::kRegCameraControl);
    return (control & 0xFF00) == kCameraPowerOn && (control & 0xFF) == 0;
}

void Firmware::Receive(const uint8_t* data, uint32_t length, uint32_t pid) {
    // A zero-length packet ends the transfer under way and is nothing by itself.
    if (length == 0) {
        if (rx_.inFrame) {
            EndFrame();
        }
        return;
    }
    while (length > 0) {
        if (!rx_.inFrame) {
            StartFrame(pid);
        }
        const uint32_t logged = std::min(rx_.length, state::kLogHeadBytes);
        const uint32_t taken = Feed(data, length);
        std::memcpy(rx_.head + logged, data, std::min(state::kLogHeadBytes - logged, taken));
        rx_.length += taken;
        data += taken;
        length -= taken;
        if (FrameComplete()) {
            EndFrame();
        }
    }
}

uint32_t Firmware::Reply(uint8_t* out, uint32_t size) {
    // The host reads: whatever it wrote before is complete.
    if (rx_.inFrame) {
        EndFrame();
    }
    return replies_.Take(out, size);
}

void Firmware::StartFrame(uint32_t pid) {
    const state::Receiver previous = rx_;
    rx_ = state::Receiver{};
    rx_.inFrame = 1;
    rx_.pid = pid;
    replies_.Clear();
    if (previous.imagePending) {
        rx_.kind = state::kFrameImageData;
        rx_.target = previous.imageAddress;
        rx_.payloadExpected = previous.imageLength;
        rx_.status = previous.imageStatus;
        return;
    }
    // A command answered with a forced status does nothing, as one the board refuses.
    state::Faults& faults = control_.faults;
    if (faults.statusCount > 0) {
        --faults.statusCount;
        rx_.status = faults.status;
    }
}

uint32_t Firmware::Feed(const uint8_t* data, uint32_t length) {
    if (rx_.kind == state::kFrameImageData) {
        return FeedImage(data, length);
    }
    uint32_t taken = 0;
    while (taken < length && !FrameComplete()) {
        const uint32_t headerSize = HeaderSize();
        if (rx_.headerLength < 2 || rx_.headerLength < headerSize) {
            FeedHeader(data[taken++]);
        } else if (headerSize == 0) {
            return length;  // unknown command: the rest of the transfer means nothing
        } else {
            FeedPayload(data[taken++]);
        }
    }
    return taken;
}

bool Firmware::FrameComplete() const {
    if (rx_.kind == state::kFrameImageData) {
        return rx_.payloadReceived == rx_.payloadExpected;
    }
    const uint32_t headerSize = HeaderSize();
    if (headerSize == 0 || rx_.headerLength < headerSize) {
        return false;
    }
    switch (rx_.header[0]) {
        case tkr::kCmdI2CWrite:
            return false;  // no length field: the frame lasts until the host reads
        case tkr::kCmdSpiWrite:
        case tkr::kCmdFpgaWrite:
            return rx_.payloadReceived == rx_.payloadExpected;
        default:
            return true;
    }
}

void Firmware::FeedHeader(uint8_t value) {
    rx_.header[rx_.headerLength++] = value;
    const uint32_t headerSize = HeaderSize();
    if (rx_.headerLength == 2 && headerSize == 0) {
        Fail(kStatusUnknownCommand);
    }
    if (rx_.headerLength >= 2 && rx_.headerLength == headerSize) {
        OnHeaderComplete();
    }
}

uint32_t Firmware::HeaderSize() const {
    const uint8_t command = rx_.header[0];
    const uint8_t selector = rx_.header[1];
    switch (command) {
        case tkr::kCmdI2CRead8:
            return tkr::kHeaderI2CRead8;
        case tkr::kCmdI2CWrite:
            return tkr::kHeaderI2CWrite;
        case tkr::kCmdI2CRead16:
            return tkr::kHeaderI2CRead16;
        case tkr::kCmdVersion:
            return tkr::kHeaderVersion;
        case tkr::kCmdSpiRead:
            return selector == tkr::kSelectorFlash ? tkr::kHeaderSpiRead : 0;
        case tkr::kCmdSpiWrite:
        case tkr::kCmdBootMemProgram:
        case tkr::kCmdBootMemRead:
            return selector == tkr::kSelectorFlash ? tkr::kHeaderSpiWrite : 0;
        case tkr::kCmdFpgaRead:
            return selector == tkr::kSelectorFpga ? tkr::kHeaderFpgaRead : 0;
        case tkr::kCmdFpgaWrite:
            return selector == tkr::kSelectorFpga ? tkr::kHeaderFpgaWrite : 0;
        default:
            return 0;
    }
}

void Firmware::OnHeaderComplete() {
    const uint8_t* h = rx_.header;
    const state::Faults& faults = control_.faults;
    if (faults.refuseArmed && h[0] == faults.refusedCommand) {
        Fail(static_cast<uint8_t>(faults.refusedStatus));
    }
    switch (h[0]) {
        case tkr::kCmdI2CWrite: {
            state::I2CDevice* device = bus_.Addressed(h[1] >> 1, CamerasRunning());
            if (!device) {
                Fail(kStatusNoAcknowledge);
                return;
            }
            rx_.target = static_cast<uint32_t>(device - control_.bus.devices);
            if (rx_.status == 0) {
                I2CBus::BeginWrite(*device);
            }
            return;
        }
        case tkr::kCmdSpiWrite:
            rx_.target = BigEndian(h + 2, 3);
            rx_.payloadExpected = BigEndian(h + 5, 3);
            if (!Flash::InRange(rx_.target, rx_.payloadExpected)) {
                Fail(kStatusOutOfRange);
            }
            return;
        case tkr::kCmdFpgaWrite:
            rx_.target = BigEndian(h + 2, 4);
            rx_.payloadExpected = BigEndian(h + 6, 3);
            return;
        default:
            return;
    }
}

void Firmware::FeedPayload(uint8_t value) {
    const uint32_t index = rx_.payloadReceived++;
    if (rx_.status != 0) {
        return;
    }
    switch (rx_.header[0]) {
        case tkr::kCmdI2CWrite:
            // The header step set the target to an addressed device. The index stays masked in builds
            // that do not check, since the state lives in a board file another process may damage.
            TKR_INVARIANT(rx_.target < state::kI2CDeviceCapacity);
            I2CBus::WriteByte(control_.bus.devices[rx_.target % state::kI2CDeviceCapacity], value);
            return;
        case tkr::kCmdSpiWrite:
            flash_.Program(rx_.target + index, &value, 1);
            return;
        case tkr::kCmdFpgaWrite: {
            const uint32_t registerAddress = rx_.target + 4 * (index / 4);
            if (registerAddress == tkr::kRegRestart) {
                rx_.effects |= kEffectRestart;
            } else if (registerAddress == tkr::kRegCameraControl) {
                rx_.effects |= kEffectCameraControl;
            }
            if (!fpga_.WriteByte(rx_.target, index, value)) {
                Fail(kStatusRegisterSpaceFull);
            }
            return;
        }
    }
}

uint32_t Firmware::FeedImage(const uint8_t* data, uint32_t length) {
    const uint32_t taken = std::min(rx_.payloadExpected - rx_.payloadReceived, length);
    if (rx_.status == 0) {
        flash_.Program(rx_.target + rx_.payloadReceived, data, taken);
    }
    rx_.payloadReceived += taken;
    return taken;
}

void Firmware::Fail(uint8_t status) {
    if (rx_.status == 0) {
        rx_.status = status;
    }
}

void Firmware::EndFrame() {
    log_.Append(rx_);
    if (rx_.kind == state::kFrameImageData) {
        if (rx_.payloadReceived < rx_.payloadExpected) {
            Fail(kStatusBadLength);
        }
        replies_.PushStatus(static_cast<uint8_t>(rx_.status));
    } else {
        Execute();
    }
    rx_.inFrame = 0;
}

void Firmware::Execute() {
    const uint8_t* h = rx_.header;
    const uint32_t headerSize = HeaderSize();
    if (rx_.headerLength < 2 || rx_.headerLength < headerSize) {
        Fail(kStatusBadLength);
    }
    const bool headerComplete = headerSize != 0 && rx_.headerLength == headerSize;
    // A refused boot-memory program header still announces its data, which must not be run as commands.
    if (headerComplete && h[0] == tkr::kCmdBootMemProgram) {
        AnnounceImage(BigEndian(h + 2, 3), BigEndian(h + 5, 3));
        return;
    }
    if (rx_.status != 0) {
        replies_.PushStatus(static_cast<uint8_t>(rx_.status));
        return;
    }
    switch (h[0]) {
        case tkr::kCmdI2CRead8:
            ReadI2C(h[1], h + 2, 1, h[3]);
            return;
        case tkr::kCmdI2CRead16:
            ReadI2C(h[1], h + 2, 2, h[4]);
            return;
        case tkr::kCmdI2CWrite:
            replies_.PushStatus(0);
            return;
        case tkr::kCmdVersion:
            ReadVersion(h[1]);
            return;
        case tkr::kCmdSpiRead:
            ReadFlash(BigEndian(h + 2, 3), BigEndian(h + 5, 2));
            return;
        case tkr::kCmdSpiWrite:
            replies_.PushStatus(rx_.payloadReceived == rx_.payloadExpected ? 0 : kStatusBadLength);
            return;
        case tkr::kCmdBootMemRead:
            ReadBootMemory(BigEndian(h + 2, 3), BigEndian(h + 5, 3));
            return;
        case tkr::kCmdFpgaRead:
            ReadFpga(BigEndian(h + 2, 4), BigEndian(h + 6, 2));
            return;
        case tkr::kCmdFpgaWrite:
            FinishFpgaWrite();
            return;
    }
}

void Firmware::ReadI2C(uint8_t addressByte, const uint8_t* subAddress, uint32_t subAddressBytes,
                       uint32_t count) {
    state::I2CDevice* device = bus_.Addressed(addressByte >> 1, CamerasRunning());
    if (!device) {
        replies_.PushStatus(kStatusNoAcknowledge);
        return;
    }
    // With the read bit set the board reads from the device's pointer as it stands (the second
    // half of a one-block pair); otherwise it writes the sub-address first, then reads after a
    // repeated start.
    if ((addressByte & 1) == 0) {
        I2CBus::BeginWrite(*device);
        for (uint32_t i = 0; i < subAddressBytes; ++i) {
            I2CBus::WriteByte(*device, subAddress[i]);
        }
    }
    const bool lengthPrefixed = (fpga_.Read(tkr::kRegFeatures) & kFeatureLengthPrefixedI2C) != 0;
    if (lengthPrefixed && count > 0) {
        const uint32_t available = std::min(count - 1, I2CBus::RemainingFromPointer(*device));
        uint8_t* reply = replies_.Push(2 + available);
        if (!reply) {
            return;
        }
        reply[0] = 0;
        reply[1] = static_cast<uint8_t>(available);
        for (uint32_t i = 0; i < available; ++i) {
            reply[2 + i] = I2CBus::ReadByte(*device);
        }
        return;
    }
    uint8_t* reply = replies_.Push(1 + count);
    if (!reply) {
        return;
    }
    reply[0] = 0;
    for (uint32_t i = 0; i < count; ++i) {
        reply[1 + i] = I2CBus::ReadByte(*device);
    }
}

void Firmware::ReadFlash(uint32_t address, uint32_t count) {
    if (!Flash::InRange(address, count)) {
        replies_.PushStatus(kStatusOutOfRange);
        return;
    }
    uint8_t* reply = replies_.Push(1 + count);
    if (!reply) {
        return;
    }
    reply[0] = 0;
    flash_.Read(address, reply + 1, count);
}

void Firmware::ReadFpga(uint32_t address, uint32_t count) {
    uint8_t* reply = replies_.Push(1 + count);
    if (!reply) {
        return;
    }
    reply[0] = 0;
    for (uint32_t i = 0; i < count; ++i) {
        reply[1 + i] = fpga_.ReadByte(address, i);
    }
}

void Firmware::ReadVersion(uint32_t count) {
    uint8_t* reply = replies_.Push(1 + count);
    if (!reply) {
        return;
    }
    reply[0] = 0;
    for (uint32_t i = 0; i < count; ++i) {
        reply[1 + i] = i < state::kVersionBytes ? control_.header.version[i] : 0;
    }
}

void Firmware::AnnounceImage(uint32_t address, uint32_t length) {
    if (rx_.status == 0 && !Flash::InRange(address, length)) {
        Fail(kStatusOutOfRange);
    }
    const uint8_t status = static_cast<uint8_t>(rx_.status);
    replies_.PushStatus(status);
    if (length == 0) {
        replies_.PushStatus(status);  // the empty data phase is complete at once
        return;
    }
    rx_.imagePending = 1;
    rx_.imageAddress = address;
    rx_.imageLength = length;
    rx_.imageStatus = status;
}

void Firmware::ReadBootMemory(uint32_t address, uint32_t length) {
    if (!Flash::InRange(address, length)) {
        replies_.PushStatus(kStatusOutOfRange);
        return;
    }
    if (length > 0) {
        replies_.PushFlash(address, length);
    }
    replies_.PushStatus(0);  // what the closing read takes
}

void Firmware::FinishFpgaWrite() {
    if (rx_.payloadReceived != rx_.payloadExpected) {
        replies_.PushStatus(kStatusBadLength);
        return;
    }
    if ((rx_.effects & kEffectRestart) && fpga_.Read(tkr::kRegRestart) == kRestartValue) {
        Restart();
        replies_.PushStatus(0);
        return;
    }
    fpga_.Write(tkr::kRegRestart, 0);
    if ((rx_.effects & kEffectCameraControl) && !CamerasRunning()) {
        bus_.ResetCameras();
    }
    replies_.PushStatus(0);
}

}  // namespace tkbsim
