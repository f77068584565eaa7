// The board's 16 MiB SPI flash inside the board file.
#pragma once

#include <cstdint>

#include "board_state.h"

namespace tkbsim {

// Erased flash reads 0xFF. The file keeps the complement of every byte, so that a board file whose
// flash was never written stays all zero, and so sparse, on disk.
class Flash {
public:
    Flash(uint8_t* storage, const state::Faults& faults) : storage_(storage), faults_(faults) {}

    // False when [address, address + length) reaches past the end of the flash.
    static bool InRange(uint64_t address, uint64_t length) { return address + length <= kFlashSize; }

    // Callers check the range first; these only make sure that a range taken from a damaged board
    // file never reaches outside the flash (a read then gives erased bytes, a write nothing).
    void Read(uint32_t address, uint8_t* out, uint32_t length) const;
    // Programs the range as the firmware does (erase and program); a byte inside the faulty region
    // keeps its old contents.
    void Program(uint32_t address, const uint8_t* data, uint32_t length);
    // Writes regardless of the faulty region: for the factory contents and the test tool.
    void Store(uint32_t address, const uint8_t* data, uint32_t length);

private:
    bool KeepsWrites(uint32_t address) const;

    uint8_t* storage_;
    const state::Faults& faults_;
};

}  // namespace tkbsim
