// Identification: which model a board is, judged from its version bytes and the identification
// letters of its FPGA. Each row of the table names a board model and the entry the board list
// shows for it.
#pragma once

#include <array>
#include <cstdint>

#include "board/board_models.h"

namespace tkbctl {

inline constexpr uint32_t kVersionInfoLength = 10;
using VersionInfo = std::array<uint8_t, kVersionInfoLength>;

// One row of the identification table.
struct IdentificationRow {
    int row;                 // 1..12, the order in which the rows are tried
    const char* listFormat;  // the board list entry, with "%d" for the board index
    const BoardModel& model;
};

// The row that carries the least about the board: its FPGA is too old to tell its letters.
inline constexpr int kRowWithoutIdentification = 12;

// True when the FPGA version (byte 2 major, byte 1 minor) is above 0.01, so that the FPGA carries
// the identification registers.
bool FpgaVersionQualifies(const VersionInfo& version);

// The first row of the identification table that matches; letters are 0 when not read.
const IdentificationRow& MatchIdentification(const VersionInfo& version, uint8_t letterA, uint8_t letterB);

// The identity identification gives a board of `row`.
BoardIdentity IdentityOf(const IdentificationRow& row);

}  // namespace tkbctl
