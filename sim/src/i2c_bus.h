// The board's I2C bus: camera sensors and, on some models, an HDMI receiver, each a register file
// with a register pointer, behaving as such chips do: a write transaction first loads the pointer
// from its sub-address bytes and then stores data bytes from there on; a read transaction returns
// bytes from the pointer on; the pointer advances with every byte and wraps at the end of the file.
#pragma once

#include <cstdint>

#include "board_state.h"

namespace tkbsim {

class I2CBus {
public:
    explicit I2CBus(state::I2CBus& bus) : bus_(bus) {}

    // The devices of `model` with their power-on registers.
    void PowerOn(const ModelInfo& model);
    // Camera sensors lose their registers while powered off or held in reset.
    void ResetCameras();

    // The device at `slave` that acknowledges its address, or nullptr. Camera sensors answer only
    // when `camerasRunning`.
    state::I2CDevice* Addressed(uint8_t slave, bool camerasRunning) const;
    // The device at `slave` whether it would answer or not, or nullptr.
    state::I2CDevice* Find(uint8_t slave) const;

    static void BeginWrite(state::I2CDevice& device) { device.pointerBytes = 0; }
    static void WriteByte(state::I2CDevice& device, uint8_t value);
    static uint8_t ReadByte(state::I2CDevice& device);
    // Registers from the pointer to the end of the file.
    static uint32_t RemainingFromPointer(const state::I2CDevice& device);

private:
    state::I2CDevice& Add(uint8_t slave, uint8_t subAddressBytes, bool camera);
    static void LoadPowerOnRegisters(state::I2CDevice& device);
    static uint32_t SizeOf(const state::I2CDevice& device);

    state::I2CBus& bus_;
};

}  // namespace tkbsim
