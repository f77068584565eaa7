#include "board_session.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "TKR50API.h"

namespace tkbctl::cli {

namespace {

constexpr uint32_t kFpgaSlave = 8;
// The FPGA register read as the wrapper sends it for slave 8.
constexpr uint8_t kCmdFpgaRead = 0x07;
constexpr uint8_t kSelectorFpga = 0x99;

std::string Hex32(int32_t code) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

// Start-up's questions to its surroundings, answered for a command line: the board is the one of
// "-b", and the pause before identification is kept, as the boards are used to it.
class SessionStartupHost final : public StartupHost {
public:
    explicit SessionStartupHost(uint32_t index) : index_(index) {}
    std::optional<int> SelectBoard(const std::vector<std::string>& entries) override {
        count_ = static_cast<int>(entries.size());
        return static_cast<int>(index_);
    }
    int32_t QueryUsbVersion(uint16_t vendorId, uint16_t productId) override {
        const std::unique_ptr<UsbTopology> topology = CreatePlatformUsbTopology();
        usbVersion_ = CGetUSBVersion(*topology).GetVersion(productId, vendorId);
        return usbVersion_;
    }
    void Pause(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }

    int count() const { return count_; }
    int32_t usbVersion() const { return usbVersion_; }

private:
    uint32_t index_;
    int count_ = 1;
    int32_t usbVersion_ = -1;
};

}  // namespace

std::string ResultMeaning(int32_t code) {
    const uint32_t value = static_cast<uint32_t>(code);
    switch (value) {
        case 0x00000001:
            return "success";
        case 0xF0000001:
            return "the board's driver cannot be opened: no board at that index, or it is unplugged";
        case 0xF0000002:
            return "the board is already open, by this or another program";
        case 0xF0000003:
            return "the driver is not open";
        case 0xF0000004:
            return "the library refused the arguments";
        case 0xF0000005:
            return "communication with the board failed";
        case 0xF0000006:
            return "the board is not idle";
        case 0xF0000007:
            return "FX3 update timed out";
        case 0xF0000008:
            return "FPGA update timed out";
        case 0xF0000009:
            return "status request timed out";
        case 0xF000000A:
            return "data transfer timed out";
        case 0xF1000000:
            return "the board reported an error";
        default:
            break;
    }
    if ((value & 0xF0000000) == 0xE0000000) {
        const uint32_t n = value & 0x0FFFFFFF;
        if (n == 1167)
            return "the board is not connected (Windows error 1167)";
        if (n <= 0xFF) {
            char text[80];
            std::snprintf(text, sizeof text, "board status 0x%02X, or Windows error %u", n, n);
            return text;
        }
        return "Windows error " + std::to_string(n);
    }
    return "unknown result";
}

std::string ResultDescription(int32_t code) {
    return "result " + Hex32(code) + " (" + ResultMeaning(code) + ")";
}

namespace {

// Each message is one line: the program's line breaks become single spaces.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text) {
        const char shown = c == '\n' || c == '\r' ? ' ' : c;
        if (!(shown == ' ' && !line.empty() && line.back() == ' '))
            line += shown;
    }
    return line;
}

std::string StringTableText(int id) {
    switch (id) {
        case 10000:
        case 10004:
            return "Error: Invalid Slave Address.";
        case 10010:
            return "Initialize camera register failed.\nRetry or restart the application and board.";
        case 10011:
            return "Read setting from SPI-ROM failed.\nComfirm connection between board and PC.";
        case 10012:
            return "Write setting from SPI-ROM failed.\nComfirm connection between board and PC.";
        case 10013:
            return "Update failed.\nRetry update without disconnecting the board.";
        case 10016:
            return "Failed to verify FX3 update.\nRetry update without disconnecting the board.";
        case 10017:
            return "Failed to update FPGA.\nRetry update without disconnecting the board.";
        case 10018:
            return "Failed to verify FPGA update.\nRetry update without disconnecting the board.";
        case 12004:
            return "Not Found TKB-20, Connect TKB-20 or PowerUp TKB-20";
        case 12005:
            return "Failed to open setting file. Confirm whether the file exists.";
        case 12006:
            return "Failed to read setting file. Confirm the file format.";
        case 12008:
            return "Updating FX3 firmware succeeded.\nDisconnect USB cable to restart the board.";
        case 12010:
            return "Updating FPGA succeeded.\nDisconnect USB cable to restart the board.";
        default:
            return {};
    }
}

}  // namespace

std::string ConsoleMessages::MessageText(int id) {
    return OneLine(StringTableText(id));
}

void ConsoleMessages::ShowMessage(int id) {
    std::string text = MessageText(id);
    if (text.empty())
        text = "message " + std::to_string(id);
    ShowText(text, {});
}

void ConsoleMessages::ShowText(const std::string& text, const std::string&) {
    err_ << "tkb " << command_ << ": " << OneLine(text) << "\n" << std::flush;
}

BoardSession::BoardSession(uint32_t boardIndex, MessageSink& messages)
    : boardIndex_(boardIndex), control_(identity_, messages) {}

bool BoardSession::Identify(std::string& error) {
    const std::string board = "board " + std::to_string(boardIndex_);
    // Asked first, so that a board another process holds open is reported as such, and its open
    // flag is left alone (start-up's own reads would close the board after a failed open).
    control_.SetBoardIndex(static_cast<int32_t>(boardIndex_));
    const int32_t opened = Probe();
    if (opened != TKRUSB20_RET_SUCCESS) {
        error = board + " cannot be opened: " + ResultDescription(opened);
        return false;
    }
    SessionStartupHost host(boardIndex_);
    const StartupOutcome outcome = RunStartup(control_, identity_, host);
    usbVersion_ = host.usbVersion();
    // Start-up falls back to board 0 for a choice outside its list; a script asked for this one.
    if (static_cast<uint32_t>(control_.BoardIndex()) != boardIndex_) {
        error = board + " is behind a board that does not answer; boards answer at 0 to " +
                std::to_string(host.count() - 1);
        return false;
    }
    if (!outcome.deviceFound) {
        error = board + " opens but does not answer the version request";
        return false;
    }
    return true;
}

int32_t BoardSession::WithOpenBoard(const std::function<int32_t()>& transfer) {
    // A failed open is not followed by a close here: the close would clear the open flag of the
    // process that holds the board, and a third could then open it in the middle of that one's work.
    if (!control_.OpenBoard())
        return control_.LastResult();
    const int32_t result = transfer();
    const bool closed = control_.CloseBoard();
    if (result != TKRUSB20_RET_SUCCESS)
        return result;
    return closed ? TKRUSB20_RET_SUCCESS : control_.LastResult();
}

int32_t BoardSession::ReadI2c(uint32_t slave, uint32_t subAddress, bool wordAddress, bool repeatedStart,
                              std::span<uint8_t> buffer) {
    const uint32_t length = static_cast<uint32_t>(buffer.size());
    return WithOpenBoard([&] {
        if (repeatedStart) {
            control_.I2CRead(slave, subAddress, length, buffer.data(), wordAddress);
            return control_.LastResult();
        }
        // The program's two-step read: the sub-address in a write of its own, then a separate
        // read, each judged here.
        uint8_t pointer[2] = {static_cast<uint8_t>(subAddress >> 8), static_cast<uint8_t>(subAddress)};
        const int32_t pointed = wordAddress ? TKR50API_I2COneBlockWrite(slave, 2, 0, pointer)
                                            : TKR50API_I2COneBlockWrite(slave, 1, 0, pointer + 1);
        if (pointed != TKRUSB20_RET_SUCCESS)
            return pointed;
        return TKR50API_I2COneBlockRead(slave, length, 0, buffer.data());
    });
}

int32_t BoardSession::WriteI2c(uint32_t slave, uint32_t subAddress, bool wordAddress,
                               std::span<const uint8_t> data) {
    return WithOpenBoard([&] {
        control_.I2CWrite(slave, subAddress, static_cast<uint32_t>(data.size()), data.data(), wordAddress);
        return control_.LastResult();
    });
}

int32_t BoardSession::ReadFpga(uint32_t address, std::span<uint32_t> values) {
    return WithOpenBoard([&] {
        for (size_t i = 0; i < values.size(); ++i) {
            uint8_t bytes[4] = {};
            const int32_t result = TKR50API_SPIFpgaRead(kCmdFpgaRead, kSelectorFpga,
                                                        address + 4 * static_cast<uint32_t>(i), 4, bytes);
            if (result != TKRUSB20_RET_SUCCESS)
                return result;
            values[i] =
                uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
        }
        return TKRUSB20_RET_SUCCESS;
    });
}

int32_t BoardSession::WriteFpga(uint32_t address, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                              static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return WithOpenBoard([&] {
        // The wrapper counts an FPGA write as done and keeps the library's answer in LastResult.
        control_.WriteRegisterDirect(kFpgaSlave, address, bytes, sizeof bytes, false);
        return control_.LastResult();
    });
}

int32_t BoardSession::ReadSettingsBlock(SettingsBlock& block) {
    block.fill(0);
    return WithOpenBoard([&] {
        control_.ReadSettings(static_cast<uint32_t>(block.size()), block.data());
        return control_.LastResult();
    });
}

int32_t BoardSession::WriteSettingsBlock(std::span<const uint8_t> data) {
    return WithOpenBoard([&] {
        control_.WriteSettings(static_cast<uint32_t>(data.size()), data.data());
        return control_.LastResult();
    });
}

int32_t BoardSession::Probe() {
    return WithOpenBoard([] { return TKRUSB20_RET_SUCCESS; });
}

}  // namespace tkbctl::cli
