// The FPGA's 32-bit register space: a table of the registers that have a value.
#pragma once

#include <cstdint>

#include "board_state.h"

namespace tkbsim {

class FpgaSpace {
public:
    explicit FpgaSpace(state::Registers& registers) : registers_(registers) {}

    // The power-on registers of `model` with identification letters A to D `letters`; everything
    // written before is forgotten.
    void PowerOn(const ModelInfo& model, const char (&letters)[4]);

    uint32_t Read(uint32_t address) const;
    // A write from the board's command path: read-only registers ignore it. False when the register
    // is new and the table is full.
    bool Write(uint32_t address, uint32_t value);
    // A write that also reaches read-only registers (the test tool stands in for the FPGA logic).
    bool Force(uint32_t address, uint32_t value);

    // Byte i of a register run starting at `address`: register address + 4 * (i / 4), byte i % 4
    // counted from the most significant.
    uint8_t ReadByte(uint32_t address, uint32_t index) const;
    bool WriteByte(uint32_t address, uint32_t index, uint8_t value);

private:
    state::Register* Find(uint32_t address) const;
    state::Register* Insert(uint32_t address, uint32_t flags);
    void Define(uint32_t address, uint32_t value, uint32_t flags);

    state::Registers& registers_;
};

}  // namespace tkbsim
