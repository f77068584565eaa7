// One command's connection to a board: the control program's wrapper on the chosen board index,
// identified as start-up identifies it, and register and settings transfers whose library result
// reaches the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "control_core.h"

namespace tkbctl::cli {

// The English meaning of a library result code, for error lines.
std::string ResultMeaning(int32_t code);
// "result 0xE0000004 (...)": the code in hexadecimal and its meaning.
std::string ResultDescription(int32_t code);

// The control program's messages that tkb can meet, as one line each on standard error.
class ConsoleMessages final : public MessageSink {
public:
    ConsoleMessages(std::ostream& err, std::string command) : err_(err), command_(std::move(command)) {}
    void ShowMessage(int id) override;
    void ShowText(const std::string& text, const std::string& caption) override;

    // The English text of a message of the program's string table on one line; empty for ids tkb
    // never meets.
    static std::string MessageText(int id);

private:
    std::ostream& err_;
    std::string command_;
};

class BoardSession {
public:
    BoardSession(uint32_t boardIndex, MessageSink& messages);

    // Start-up's enumeration and identification, with the board at the session's index chosen.
    // False, with the reason in `error`, when no board answers at that index.
    bool Identify(std::string& error);

    CTkrUsbControl& control() { return control_; }
    const BoardIdentity& identity() const { return identity_; }
    uint32_t boardIndex() const { return boardIndex_; }
    // The USB connection speed query's answer during identification (negative: unknown).
    int32_t usbVersion() const { return usbVersion_; }

    // Each call opens the board, makes its transfer and closes the board again, and returns the
    // first library result that was not success (1 when all were). Unlike the wrapper's register
    // reads, a failed FPGA read or two-step read is reported: a script must not take zeros for data.
    int32_t ReadI2c(uint32_t slave, uint32_t subAddress, bool wordAddress, bool repeatedStart,
                    std::span<uint8_t> buffer);
    int32_t WriteI2c(uint32_t slave, uint32_t subAddress, bool wordAddress, std::span<const uint8_t> data);
    // `values` receives one register per element, from `address` on in steps of 4.
    int32_t ReadFpga(uint32_t address, std::span<uint32_t> values);
    int32_t WriteFpga(uint32_t address, uint32_t value);
    int32_t ReadSettingsBlock(SettingsBlock& block);
    int32_t WriteSettingsBlock(std::span<const uint8_t> data);
    // Open and close only: whether the board still answers (or is held by another process).
    int32_t Probe();

private:
    int32_t WithOpenBoard(const std::function<int32_t()>& transfer);

    uint32_t boardIndex_;
    BoardIdentity identity_;
    CTkrUsbControl control_;
    int32_t usbVersion_ = -1;
};

}  // namespace tkbctl::cli
