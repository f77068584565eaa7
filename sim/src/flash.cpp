#include "flash.h"

#include <cstring>

namespace tkbsim {

void Flash::Read(uint32_t address, uint8_t* out, uint32_t length) const {
    if (!InRange(address, length)) {
        std::memset(out, 0xFF, length);
        return;
    }
    for (uint32_t i = 0; i < length; ++i) {
        out[i] = static_cast<uint8_t>(~storage_[address + i]);
    }
}

void Flash::Program(uint32_t address, const uint8_t* data, uint32_t length) {
    if (!InRange(address, length)) {
        return;
    }
    for (uint32_t i = 0; i < length; ++i) {
        if (KeepsWrites(address + i)) {
            storage_[address + i] = static_cast<uint8_t>(~data[i]);
        }
    }
}

void Flash::Store(uint32_t address, const uint8_t* data, uint32_t length) {
    if (!InRange(address, length)) {
        return;
    }
    for (uint32_t i = 0; i < length; ++i) {
        storage_[address + i] = static_cast<uint8_t>(~data[i]);
    }
}

bool Flash::KeepsWrites(uint32_t address) const {
    const uint64_t start = faults_.badFlashStart;
    return address < start || address >= start + faults_.badFlashLength;
}

}  // namespace tkbsim
