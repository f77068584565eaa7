#include "i2c_bus.h"

#include <algorithm>
#include <cstring>

#include "tkbsim/fpga_registers.h"

namespace tkbsim {

void I2CBus::PowerOn(const ModelInfo& model) {
    bus_.count = 0;
    Add(kSensor8BitSlave, 1, true);
    Add(kSensor16BitSlave, 2, true);
    if (model.hdmiReceiver) {
        Add(tkr::kHdmiReceiverSlave, 1, false);
        Add(tkr::kHdmiCscSlave, 1, false);
    }
}

void I2CBus::ResetCameras() {
    for (state::I2CDevice& device : state::InUse(bus_.devices, bus_.count)) {
        if (device.camera) {
            LoadPowerOnRegisters(device);
        }
    }
}

state::I2CDevice* I2CBus::Addressed(uint8_t slave, bool camerasRunning) const {
    state::I2CDevice* device = Find(slave);
    if (device && device->camera && !camerasRunning) {
        return nullptr;
    }
    return device;
}

state::I2CDevice* I2CBus::Find(uint8_t slave) const {
    for (state::I2CDevice& device : state::InUse(bus_.devices, bus_.count)) {
        if (device.address == slave) {
            return &device;
        }
    }
    return nullptr;
}

void I2CBus::WriteByte(state::I2CDevice& device, uint8_t value) {
    const uint32_t size = SizeOf(device);
    if (device.pointerBytes < device.subAddressBytes) {
        // Sub-address bytes come most significant first; the first one restarts the pointer.
        const uint32_t base = device.pointerBytes == 0 ? 0 : device.pointer << 8;
        device.pointer = (base | value) % size;
        ++device.pointerBytes;
        return;
    }
    device.registers[device.pointer % size] = value;
    device.pointer = (device.pointer + 1) % size;
}

uint8_t I2CBus::ReadByte(state::I2CDevice& device) {
    const uint32_t size = SizeOf(device);
    const uint8_t value = device.registers[device.pointer % size];
    device.pointer = (device.pointer + 1) % size;
    return value;
}

uint32_t I2CBus::RemainingFromPointer(const state::I2CDevice& device) {
    const uint32_t size = SizeOf(device);
    return size - device.pointer % size;
}

state::I2CDevice& I2CBus::Add(uint8_t slave, uint8_t subAddressBytes, bool camera) {
    state::I2CDevice& device = bus_.devices[bus_.count++];
    device.address = slave;
    device.subAddressBytes = subAddressBytes;
    device.camera = camera ? 1 : 0;
    device.size = subAddressBytes == 2 ? state::kI2CRegisterFileMax : 0x100;
    LoadPowerOnRegisters(device);
    return device;
}

void I2CBus::LoadPowerOnRegisters(state::I2CDevice& device) {
    std::memset(device.registers, 0, sizeof device.registers);
    device.pointer = 0;
    device.pointerBytes = 0;
    uint8_t* r = device.registers;
    switch (device.address) {
        case kSensor8BitSlave:
            // Chip identification, as such sensors keep it.
            r[0x0A] = 0x76;
            r[0x0B] = 0x73;
            break;
        case kSensor16BitSlave:
            r[0x300A] = 0x56;
            r[0x300B] = 0x40;
            break;
        case tkr::kHdmiReceiverSlave:
            r[0x07] = kPowerOnHdmiWidthHigh;
            r[0x08] = kPowerOnHdmiWidthLow;
            r[0x09] = kPowerOnHdmiHeightHigh;
            r[0x0A] = kPowerOnHdmiHeightLow;
            r[0x0B] = kPowerOnHdmiInputFlags;
            r[0x53] = kPowerOnHdmiFormat;
            break;
        case tkr::kHdmiCscSlave:
            r[0x69] = kPowerOnCscManual;
            r[0xF4] = kPowerOnCscMode;
            break;
    }
}

uint32_t I2CBus::SizeOf(const state::I2CDevice& device) {
    return device.size == state::kI2CRegisterFileMax ? state::kI2CRegisterFileMax : 0x100;
}

}  // namespace tkbsim
