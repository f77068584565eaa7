#include "fpga_space.h"

#include <algorithm>

#include "tkbsim/fpga_registers.h"

namespace tkbsim {
namespace {

uint32_t RegisterOf(uint32_t address, uint32_t index) {
    return address + 4 * (index / 4);
}
uint32_t ShiftOf(uint32_t index) {
    return 8 * (3 - index % 4);
}

}  // namespace

void FpgaSpace::PowerOn(const ModelInfo& model, const char (&letters)[4]) {
    registers_.count = 0;
    const uint32_t identRegisters[4] = {tkr::kRegIdentA, tkr::kRegIdentB, tkr::kRegIdentC, tkr::kRegIdentD};
    for (int i = 0; i < 4; ++i) {
        Define(identRegisters[i], static_cast<uint8_t>(letters[i]), state::kRegisterReadOnly);
    }
    Define(tkr::kRegFeatures, 0, 0);
    Define(tkr::kRegRestart, 0, 0);
    Define(tkr::kRegCameraControl, kPowerOnCameraControl, 0);
    Define(tkr::kRegTcbSync, kPowerOnTcbSync, state::kRegisterReadOnly);
    Define(tkr::kRegTcbSys, kPowerOnTcbSys, state::kRegisterReadOnly);
    Define(tkr::kRegTcbDepp, kPowerOnTcbDepp, state::kRegisterReadOnly);
    Define(tkr::kRegTcbDepr, kPowerOnTcbDepr, state::kRegisterReadOnly);
    Define(tkr::kRegTcbHspp, kPowerOnTcbHspp, state::kRegisterReadOnly);
    Define(tkr::kRegTcbHspr, kPowerOnTcbHspr, state::kRegisterReadOnly);
    Define(tkr::kRegTcbDckCnt, kPowerOnTcbDckCnt, state::kRegisterReadOnly);
    if (model.mipi) {
        Define(tkr::kRegCsi2DataType, kPowerOnCsi2DataType, state::kRegisterReadOnly);
        Define(tkr::kRegLaneControl, kPowerOnLaneControl, state::kRegisterReadOnly);
    }
    Define(tkr::kRegCtrlStts, kPowerOnCtrlStts, state::kRegisterReadOnly);
    Define(tkr::kRegVpbSys, kPowerOnVpbSys, 0);
    Define(tkr::kRegVpbPf, kPowerOnVpbPf, state::kRegisterReadOnly);
    Define(tkr::kRegVpbErr, kPowerOnVpbErr, state::kRegisterReadOnly);
    Define(tkr::kRegHdmiPath, 0, 0);
}

uint32_t FpgaSpace::Read(uint32_t address) const {
    const state::Register* entry = Find(address);
    return entry ? entry->value : 0;
}

bool FpgaSpace::Write(uint32_t address, uint32_t value) {
    const state::Register* entry = Find(address);
    // Writes from frames leave read-only registers alone; Force still sets them.
    if (entry && (entry->flags & state::kRegisterReadOnly)) {
        return true;
    }
    return Force(address, value);
}

bool FpgaSpace::Force(uint32_t address, uint32_t value) {
    state::Register* entry = Find(address);
    if (!entry) {
        entry = Insert(address, 0);
    }
    if (!entry) {
        return false;
    }
    entry->value = value;
    return true;
}

uint8_t FpgaSpace::ReadByte(uint32_t address, uint32_t index) const {
    return static_cast<uint8_t>(Read(RegisterOf(address, index)) >> ShiftOf(index));
}

bool FpgaSpace::WriteByte(uint32_t address, uint32_t index, uint8_t value) {
    const uint32_t registerAddress = RegisterOf(address, index);
    const uint32_t shift = ShiftOf(index);
    const uint32_t old = Read(registerAddress);
    return Write(registerAddress, (old & ~(0xFFu << shift)) | (uint32_t{value} << shift));
}

state::Register* FpgaSpace::Find(uint32_t address) const {
    for (state::Register& entry : state::InUse(registers_.entries, registers_.count)) {
        if (entry.address == address) {
            return &entry;
        }
    }
    return nullptr;
}

state::Register* FpgaSpace::Insert(uint32_t address, uint32_t flags) {
    const auto count = static_cast<uint32_t>(state::InUse(registers_.entries, registers_.count).size());
    if (count == state::kRegisterCapacity) {
        return nullptr;
    }
    registers_.entries[count] = state::Register{address, 0, flags, 0};
    registers_.count = count + 1;
    return &registers_.entries[count];
}

void FpgaSpace::Define(uint32_t address, uint32_t value, uint32_t flags) {
    Insert(address, flags)->value = value;
}

}  // namespace tkbsim
