// The board models the program knows and what each one means to it: the one table that every rule
// depending on the model reads (flash addresses, update exports, settings write length, status
// report path). Identification fills the program's board identity from a row of it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "board/board_identity.h"

namespace tkbctl {

// Where a model's FX3 firmware image lies and which exports reach it.
enum class Fx3Image {
    Standard,   // TKR50API_TKBFX3Update / ...BootMemRead
    Upper,      // TKR50API_TKB20UFX3Update / ...BootMemRead
    HighFlash,  // TKR50API_Update / TKR50API_TKBSPIBootMemRead at kHighFlashFx3Address
};

// Which exports reach a model's FPGA image.
enum class FpgaImage {
    Standard,  // TKR50API_TKBFPGAUpdate / ...BootMemRead
    Upper,     // TKR50API_TKB20UFPGAUpdate / ...BootMemRead
};

inline constexpr uint32_t kHighFlashFx3Address = 0x300000;

struct BoardModel {
    std::string_view name;
    int boardType;
    uint32_t settingsAddress;  // the settings block in flash
    Fx3Image fx3;
    FpgaImage fpga;
    bool hasUpdatePath;            // false: updates are refused, images can still be read back
    uint32_t settingsWriteLength;  // bytes of the settings block a save writes
    bool hdmiReceiver;             // the status report reads the HDMI receiver, not the FPGA's input
    bool mipiInput;                // the FPGA status report adds the MIPI lines
};

// Every row, the unknown device last.
std::span<const BoardModel> BoardModels();

// The identity of a board that was not identified: "(Unknown Device)", board type 0.
const BoardModel& UnknownBoardModel();

// The row named `name` exactly; nullptr when there is none.
const BoardModel* FindBoardModel(std::string_view name);

// Identification writes a row's name and type as they stand, so for an identified board the
// lookups below all find that row. The program's rules compare a name set any other way in two
// manners, and both are kept: the flash layout and the MIPI lines ask for the exact name, the
// settings write length and the HDMI receiver report take it in any letter case.

// The row whose flash layout and update exports serve `identity`: the board type decides, except
// that a row named exactly so with the same type (the TKF-20 among the type 1 boards) serves itself.
// A type no row has is served like the unknown device.
const BoardModel& FlashModelOf(const BoardIdentity& identity);

// The row named like `identity` in any letter case; the unknown device's row when none is.
const BoardModel& ModelNamedLike(const BoardIdentity& identity);

}  // namespace tkbctl
