#include "board/tkr_usb_control.h"

#include <cstdio>

#include "TKR50API.h"
#include "board/board_models.h"
#include "tkr/protocol.h"

namespace tkbctl {

namespace {

using tkr::kAccessMode, tkr::kCmdFpgaRead, tkr::kCmdFpgaWrite, tkr::kCmdSpiRead, tkr::kCmdSpiWrite,
    tkr::kSelectorFlash, tkr::kSelectorFpga;

// Opens the board, runs `operation` when that worked, and closes in every case: also after a failed
// open, because the close clears the shared open flag, whoever set it.
template <typename Operation>
bool Bracketed(CTkrUsbControl& control, Operation operation) {
    bool succeeded = false;
    if (control.OpenBoard())
        succeeded = operation();
    control.CloseBoard();
    return succeeded;
}

// A board without an update path (the RJQ-10's type): the user is told so and nothing is opened.
bool RefuseUpdateWithoutPath(const BoardIdentity& identity, MessageSink& messages) {
    if (FlashModelOf(identity).hasUpdatePath)
        return false;
    messages.ShowText("Not inplemented yet.", "Error");
    return true;
}

// Devices that lose their register pointer on a repeated start get the pointer in a transfer of
// its own and are read in a second one. Neither step is judged: the caller sees the bytes.
void ReadInTwoSteps(uint32_t slave, uint32_t address, uint8_t* buffer, uint32_t length, bool wordAddress) {
    uint8_t pointer[2];
    uint32_t pointerLength = 1;
    if (wordAddress) {
        pointer[0] = static_cast<uint8_t>(address >> 8);
        pointer[1] = static_cast<uint8_t>(address);
        pointerLength = 2;
    } else {
        pointer[0] = static_cast<uint8_t>(address);
    }
    TKR50API_I2COneBlockWrite(slave, pointerLength, 0, pointer);
    TKR50API_I2COneBlockRead(slave, length, 0, buffer);
}

}  // namespace

CTkrUsbControl::CTkrUsbControl(const BoardIdentity& identity, MessageSink& messages)
    : identity_(identity), messages_(messages) {
    TKR50API_Init();
}

CTkrUsbControl::~CTkrUsbControl() {
    TKR50API_Close(kAccessMode);
    TKR50API_End();
}

bool CTkrUsbControl::OpenBoard() {
    lastResult_ = TKR50API_Open(kAccessMode, static_cast<uint32_t>(boardIndex_));
    return lastResult_ == TKRUSB20_RET_SUCCESS;
}

bool CTkrUsbControl::CloseBoard() {
    lastResult_ = TKR50API_Close(kAccessMode);
    return lastResult_ == TKRUSB20_RET_SUCCESS;
}

bool CTkrUsbControl::I2CWrite(uint32_t slave, uint32_t subAddress, uint32_t length, const uint8_t* data,
                              bool wordAddress) {
    lastResult_ = TKR50API_I2CBlockWrite(slave, subAddress, length, data, wordAddress ? 1 : 0);
    return lastResult_ == TKRUSB20_RET_SUCCESS;
}

bool CTkrUsbControl::I2CRead(uint32_t slave, uint32_t subAddress, uint32_t length, uint8_t* buffer,
                             bool wordAddress) {
    lastResult_ = TKR50API_I2CBlockRead(slave, subAddress, length, buffer, wordAddress ? 1 : 0);
    return lastResult_ == TKRUSB20_RET_SUCCESS;
}

bool CTkrUsbControl::WriteRegister(uint32_t slave, uint32_t address, const uint8_t* data, uint32_t length,
                                   bool wordAddress) {
    return Bracketed(*this, [&] { return WriteRegisterDirect(slave, address, data, length, wordAddress); });
}

bool CTkrUsbControl::WriteRegisterDirect(uint32_t slave, uint32_t address, const uint8_t* data,
                                         uint32_t length, bool wordAddress) {
    if (slave == kFpgaSlave) {
        // Callers of FPGA writes rely on LastResult alone; the write itself counts as done.
        lastResult_ = TKR50API_SPIFpgaWrite(kCmdFpgaWrite, kSelectorFpga, address, length, data);
        return true;
    }
    return I2CWrite(slave, address, length, data, wordAddress);
}

bool CTkrUsbControl::ReadRegister(uint32_t slave, uint32_t address, uint8_t* buffer, uint32_t length,
                                  bool wordAddress, bool repeatedStart) {
    return Bracketed(*this, [&] {
        if (slave == kFpgaSlave) {
            lastResult_ = TKR50API_SPIFpgaRead(kCmdFpgaRead, kSelectorFpga, address, length, buffer);
            return true;
        }
        if (repeatedStart)
            return I2CRead(slave, address, length, buffer, wordAddress);
        ReadInTwoSteps(slave, address, buffer, length, wordAddress);
        return true;
    });
}

void CTkrUsbControl::SetTransferProgress(TKR50API_ProgressCallback callback, void* context) {
    TKR50API_SetProgressCallback(callback, context);
}

bool CTkrUsbControl::WriteSettings(uint32_t length, const uint8_t* data) {
    lastResult_ = TKR50API_SPIWrite(kCmdSpiWrite, kSelectorFlash, FlashModelOf(identity_).settingsAddress,
                                    length, data);
    return lastResult_ == TKRUSB20_RET_SUCCESS;
}

bool CTkrUsbControl::ReadSettings(uint32_t length, uint8_t* buffer) {
    lastResult_ = TKR50API_SPIRead(kCmdSpiRead, kSelectorFlash, FlashModelOf(identity_).settingsAddress,
                                   length, buffer);
    return lastResult_ == TKRUSB20_RET_SUCCESS;
}

bool CTkrUsbControl::WriteSettingsToBoard(uint32_t length, const uint8_t* data) {
    return Bracketed(*this, [&] { return WriteSettings(length, data); });
}

bool CTkrUsbControl::ReadSettingsFromBoard(uint32_t length, uint8_t* buffer) {
    return Bracketed(*this, [&] { return ReadSettings(length, buffer); });
}

bool CTkrUsbControl::UpdateFX3(uint32_t length, const uint8_t* data) {
    if (RefuseUpdateWithoutPath(identity_, messages_))
        return false;
    return Bracketed(*this, [&] {
        switch (FlashModelOf(identity_).fx3) {
            case Fx3Image::HighFlash:
                lastResult_ = TKR50API_Update(kHighFlashFx3Address, length, data);
                break;
            case Fx3Image::Upper:
                lastResult_ = TKR50API_TKB20UFX3Update(length, data);
                break;
            case Fx3Image::Standard:
                lastResult_ = TKR50API_TKBFX3Update(length, data);
                break;
        }
        return lastResult_ != 0;
    });
}

bool CTkrUsbControl::ReadBackFX3(uint32_t length, uint8_t* buffer) {
    return Bracketed(*this, [&] {
        switch (FlashModelOf(identity_).fx3) {
            case Fx3Image::HighFlash:
                lastResult_ = TKR50API_TKBSPIBootMemRead(kHighFlashFx3Address, length, buffer);
                break;
            case Fx3Image::Upper:
                lastResult_ = TKR50API_TKB20UFX3BootMemRead(length, buffer);
                break;
            case Fx3Image::Standard:
                lastResult_ = TKR50API_TKBFX3BootMemRead(length, buffer);
                break;
        }
        return lastResult_ != 0;
    });
}

bool CTkrUsbControl::UpdateFPGA(uint32_t length, const uint8_t* data) {
    if (RefuseUpdateWithoutPath(identity_, messages_))
        return false;
    if (length > kMaxFpgaImage) {
        messages_.ShowText("Too large size!", "Error");
        return false;
    }
    return Bracketed(*this, [&] {
        lastResult_ = FlashModelOf(identity_).fpga == FpgaImage::Upper
                          ? TKR50API_TKB20UFPGAUpdate(length, data)
                          : TKR50API_TKBFPGAUpdate(length, data);
        return lastResult_ != 0;
    });
}

bool CTkrUsbControl::ReadBackFPGA(uint32_t length, uint8_t* buffer) {
    return Bracketed(*this, [&] {
        lastResult_ = FlashModelOf(identity_).fpga == FpgaImage::Upper
                          ? TKR50API_TKB20UFPGABootMemRead(length, buffer)
                          : TKR50API_TKBFPGABootMemRead(length, buffer);
        return lastResult_ != 0;
    });
}

bool CTkrUsbControl::UpdateMulti(uint32_t length, const uint8_t* data) {
    if (RefuseUpdateWithoutPath(identity_, messages_))
        return false;
    // A whole-flash image always starts at address 0, whatever the board type.
    return Bracketed(*this, [&] {
        lastResult_ = TKR50API_TKBFPGAUpdate(length, data);
        return lastResult_ != 0;
    });
}

bool CTkrUsbControl::ReadBackMulti(uint32_t length, uint8_t* buffer) {
    return Bracketed(*this, [&] {
        lastResult_ = TKR50API_TKBFPGABootMemRead(length, buffer);
        return lastResult_ != 0;
    });
}

bool CTkrUsbControl::ReadVersionInfo(uint32_t length, uint8_t* buffer) {
    // Any result but 0 counts: a board that opened but answered the request with an error still
    // yields its buffer, and start-up identifies the board from whatever the buffer holds.
    return Bracketed(*this, [&] {
        lastResult_ = TKR50API_TKBVersionInfo(length, buffer);
        return lastResult_ != 0;
    });
}

std::optional<std::string> CTkrUsbControl::LibraryVersion() {
    // The export fills up to 256 bytes; the last one stays a terminator whatever it writes.
    char buffer[257] = {};
    if (TKR50API_GetVersion(buffer) != TKRUSB20_RET_SUCCESS)
        return std::nullopt;
    return std::string(buffer);
}

std::string CTkrUsbControl::ResultText(int32_t code) {
    switch (code) {
        case TKRUSB20_RET_SUCCESS:
            return "正常終了";
        case TKRUSB20_RET_ERROR_DRIVER_OPEN:
            return "TKR専用USB2.0ドライバをオープンできません";
        case TKRUSB20_RET_ERROR_DOUBLE_OPEN:
            return "同じアプリケーションからは二重にオープンできません";
        case TKRUSB20_RET_ERROR_NOT_OPEN:
            return "ドライバがオープンされていません。";
        case TKRUSB20_RET_ERROR_PARAM:
            return "引数に間違いがあります";
        case TKRUSB20_RET_ERROR_COM:
            return "TKRUSB20_RET_ERROR_COM";
        case TKRUSB20_RET_ERROR_NOIDLE:
            return "TKRUSB20_RET_ERROR_NOIDLE";
        case TKRUSB20_RET_ERROR_FMUPDATE_T:
            return "TKRUSB20_RET_ERROR_FMUPDATE_T";
        case TKRUSB20_RET_ERROR_FPUPDATE_T:
            return "TKRUSB20_RET_ERROR_FPUPDATE_T";
        case TKRUSB20_RET_ERROR_GSTS2_T:
            return "TKRUSB20_RET_ERROR_GSTS2_T";
        case TKRUSB20_RET_ERROR_MDATA_T:
            return "TKRUSB20_RET_ERROR_MDATA_T";
        case TKRUSB20_RET_ERROR_TKR:
            return "TKRUSB20_RET_ERROR_TKR";
        default: {
            char hex[9];
            std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(code));
            return std::string("Win32APIエラー：") + hex;
        }
    }
}

}  // namespace tkbctl
