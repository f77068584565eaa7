// A virtual board as the test tool and tests see it: its identity, its state and its faults,
// reached directly rather than through command frames. Every call is one locked step on the board
// file (see board_file.h), safe beside programs that use the board through the virtual driver.
// Calls throw tkbsim::Error with a message for the user when they cannot be done.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tkbsim/frame_log.h"
#include "tkbsim/models.h"

namespace tkbsim {

class BoardFile;

struct BoardFaults {
    uint32_t statusCount = 0;  // the next statusCount commands answer `status` and do nothing
    uint8_t status = 0;
    uint32_t errorCount = 0;  // the next errorCount driver requests fail with Windows error `error`
    uint32_t error = 0;
    bool cutArmed = false;  // the next reply is cut to cutLength bytes
    uint32_t cutLength = 0;
    uint8_t missingEndpoint = 0;  // 0, or the endpoint (0x04 or 0x84) the pipe list leaves out
    uint32_t badFlashStart = 0;   // flash bytes that acknowledge writes but keep their contents
    uint32_t badFlashLength = 0;
    bool refuseArmed = false;  // every command of code refusedCommand answers refusedStatus
    uint8_t refusedCommand = 0;
    uint8_t refusedStatus = 0;
    bool openLimitArmed = false;  // only opensLeft more opens succeed
    uint32_t opensLeft = 0;
};

struct BoardInfo {
    const ModelInfo* model = nullptr;
    uint16_t usbRelease = 0;
    bool plugged = false;
    uint32_t connection = 0;  // counts plug-ins
    uint32_t restarts = 0;
    uint32_t opens = 0;  // handles the virtual driver opened on the board since it was made
    std::array<uint8_t, 10> version{};
    std::array<char, 4> letters{};  // identification letters A to D (0 = none)
    BoardFaults faults;
};

class Board {
public:
    explicit Board(std::unique_ptr<BoardFile> file);
    ~Board();

    const std::string& Path() const;
    const ModelInfo& Model() const;
    BoardInfo Info();

    uint32_t ReadFpga(uint32_t address);
    // Sets any register, read-only ones included; the write has none of a frame's side effects.
    void WriteFpga(uint32_t address, uint32_t value);

    // A slave's register file, whether or not the slave would answer on the bus now. The register
    // pointer is left alone. Sub-address and count must stay inside the file.
    std::vector<uint8_t> ReadI2C(uint8_t slave, uint32_t subAddress, uint32_t count);
    void WriteI2C(uint8_t slave, uint32_t subAddress, const std::vector<uint8_t>& bytes);

    std::vector<uint8_t> ReadFlash(uint32_t address, uint32_t length);
    // Stores bytes as they are, the faulty flash region included.
    void WriteFlash(uint32_t address, const std::vector<uint8_t>& bytes);

    void FailNextCommands(uint32_t count, uint8_t status);
    void FailNextRequests(uint32_t count, uint32_t error);
    void CutNextReply(uint32_t length);
    void RemoveEndpoint(uint8_t endpoint);
    void SetBadFlash(uint32_t address, uint32_t length);
    // Until the faults are cleared, every frame of command code `command` is answered `status` (not
    // 0) and does nothing, as a board whose firmware refuses that one command; others work.
    void RefuseCommand(uint8_t command, uint8_t status);
    // Until the faults are cleared, only the next `opens` opens of the board succeed; later ones fail
    // with ERROR_FILE_NOT_FOUND while the board stays in the enumeration, as a board whose driver
    // stopped answering. Handles open already keep working.
    void StopOpeningAfter(uint32_t opens);
    void ClearFaults();

    // The frames logged since the log was cleared, oldest first; `overwritten` tells how many
    // older ones the log no longer holds.
    std::vector<LoggedFrame> Log(uint64_t& overwritten);
    void ClearLog();

    // As a write of 00 00 00 80 to the restart register: the FPGA registers and the I2C devices
    // return to their power-on values, frames under way and unread replies are dropped; the
    // flash, the faults, the frame log and the USB connection (open handles) stay.
    void Restart();
    // The board leaves the enumeration, its open handles fail from now on, and it loses its power:
    // FPGA registers and I2C devices are back at their power-on values when it returns.
    void Unplug();
    // The board is enumerated again, on a new connection: handles from before stay dead.
    void Plug();

    // For the virtual driver.
    BoardFile& File() { return *file_; }

private:
    std::unique_ptr<BoardFile> file_;
};

}  // namespace tkbsim
