// CTkrUsbControl: the control program's only path to the interface library.
//
// It remembers the chosen board index, keeps the library's last result code, picks the flash
// addresses and export variants that fit the board identity, and brackets most operations with
// their own OpenBoard/CloseBoard so that a board is held open only for one operation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "TKR50API.h"
#include "board/board_identity.h"
#include "messages/message_sink.h"

namespace tkbctl {

class CTkrUsbControl {
public:
    // The slave address by which register operations reach the FPGA's 32-bit registers rather
    // than an I2C device.
    static constexpr uint32_t kFpgaSlave = 8;
    // The longest FPGA image UpdateFPGA takes (0x80000 bytes).
    static constexpr uint32_t kMaxFpgaImage = 0x80000;

    // Calls TKR50API_Init. `identity` and `messages` must outlive the wrapper.
    CTkrUsbControl(const BoardIdentity& identity, MessageSink& messages);
    // Calls TKR50API_Close(2), then TKR50API_End.
    virtual ~CTkrUsbControl();
    CTkrUsbControl(const CTkrUsbControl&) = delete;
    CTkrUsbControl& operator=(const CTkrUsbControl&) = delete;

    bool OpenBoard();
    bool CloseBoard();

    bool I2CWrite(uint32_t slave, uint32_t subAddress, uint32_t length, const uint8_t* data,
                  bool wordAddress);
    bool I2CRead(uint32_t slave, uint32_t subAddress, uint32_t length, uint8_t* buffer, bool wordAddress);

    // kFpgaSlave goes to the FPGA register exports; every other slave to the I2C ones.
    bool WriteRegister(uint32_t slave, uint32_t address, const uint8_t* data, uint32_t length,
                       bool wordAddress);
    bool WriteRegisterDirect(uint32_t slave, uint32_t address, const uint8_t* data, uint32_t length,
                             bool wordAddress);
    bool ReadRegister(uint32_t slave, uint32_t address, uint8_t* buffer, uint32_t length, bool wordAddress,
                      bool repeatedStart);

    bool WriteSettings(uint32_t length, const uint8_t* data);
    bool ReadSettings(uint32_t length, uint8_t* buffer);
    bool WriteSettingsToBoard(uint32_t length, const uint8_t* data);
    bool ReadSettingsFromBoard(uint32_t length, uint8_t* buffer);

    bool UpdateFX3(uint32_t length, const uint8_t* data);
    bool ReadBackFX3(uint32_t length, uint8_t* buffer);
    bool UpdateFPGA(uint32_t length, const uint8_t* data);
    bool ReadBackFPGA(uint32_t length, uint8_t* buffer);
    bool UpdateMulti(uint32_t length, const uint8_t* data);
    bool ReadBackMulti(uint32_t length, uint8_t* buffer);

    bool ReadVersionInfo(uint32_t length, uint8_t* buffer);

    // Whom the library tells how far the image transfers of the update and read-back operations
    // have got (nullptr: nobody). For the calling process; it does not touch LastResult.
    void SetTransferProgress(TKR50API_ProgressCallback callback, void* context);

    // The library's file version (TKR50API_GetVersion); nothing when it gives none.
    static std::optional<std::string> LibraryVersion();

    // Text for a library result code (UTF-8; most texts are Japanese).
    static std::string ResultText(int32_t code);

    int32_t LastResult() const { return lastResult_; }
    int32_t BoardIndex() const { return boardIndex_; }
    void SetBoardIndex(int32_t index) { boardIndex_ = index; }

private:
    const BoardIdentity& identity_;
    MessageSink& messages_;
    int32_t lastResult_ = 0;
    int32_t boardIndex_ = 0;
};

}  // namespace tkbctl
