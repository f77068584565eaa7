// list, i2c, fpga, dump, run and status: the register side of the control program's main window.
#include <chrono>
#include <cstdio>
#include <thread>
#include <variant>

#include "commands.h"
#include "settings_fields.h"

namespace tkbctl::cli {

namespace {

constexpr uint32_t kFpgaSlave = 8;
// Above every slave address a setting file can reach before its first SLAVE line gives one.
constexpr uint32_t kNoSlaveYet = 0x100;
constexpr size_t kDumpRow = 16;
constexpr size_t kBoardIdLow = 138;
constexpr size_t kBoardIdHigh = 139;
constexpr auto kStatusPeriod = std::chrono::milliseconds(1000);
constexpr auto kInterruptPoll = std::chrono::milliseconds(20);

std::string Format(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The control program's display line of a read: two upper-case hex digits per byte, by commas.
std::string DisplayLine(std::span<const uint8_t> bytes) {
    if (bytes.empty())
        return "(No Data)";
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            line += ',';
        line += Format("%02X", bytes[i]);
    }
    return line;
}

std::string FpgaVersion(const VersionInfo& version) {
    char text[16];
    std::snprintf(text, sizeof text, "%x.%02x", version[2], version[1]);
    return text;
}

std::string UsbText(int32_t version) {
    if (version <= 100)
        return {};
    return "USB" + std::to_string(version >> 8) + "." + std::to_string(version & 0xFF);
}

// The report's lines end in CR LF for its text box; a console takes plain line ends.
std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

struct ListedBoard {
    std::string entry;
    bool identified = false;
    BoardIdentity identity;
    VersionInfo version{};
    unsigned boardId = 0;
};

}  // namespace

int RunList(const Command& command, Console& console) {
    ConsoleMessages messages(console.err, "list");
    std::vector<ListedBoard> boards;
    int32_t usbVersion = -1;
    {
        BoardSession enumeration(0, messages);
        for (std::string& entry : EnumerateBoards(enumeration.control()))
            boards.emplace_back().entry = std::move(entry);
    }
    for (size_t index = 0; index < boards.size(); ++index) {
        ListedBoard& board = boards[index];
        BoardSession session(static_cast<uint32_t>(index), messages);
        std::string ignored;
        board.identified = session.Identify(ignored);
        if (!board.identified)
            continue;
        board.identity = session.identity();
        session.control().ReadVersionInfo(kVersionInfoLength, board.version.data());
        SettingsBlock block{};
        if (session.ReadSettingsBlock(block) == TKRUSB20_RET_SUCCESS)
            board.boardId = block[kBoardIdLow] + 256u * block[kBoardIdHigh];
        usbVersion = session.usbVersion();
    }
    // The speed query finds the boards by their USB identity, not by index: it speaks for a board
    // only when that board is the only one.
    const std::string usb = boards.size() == 1 ? UsbText(usbVersion) : std::string();

    if (command.json) {
        console.out << "[";
        for (size_t index = 0; index < boards.size(); ++index) {
            const ListedBoard& board = boards[index];
            console.out << (index ? ",\n " : "\n ") << "{\"index\": " << index
                        << ", \"model\": " << JsonString(board.identity.modelName)
                        << ", \"board_type\": " << board.identity.boardType
                        << ", \"board_id\": " << board.boardId
                        << ", \"fx3_version\": " << unsigned(board.version[0])
                        << ", \"fpga_version\": " << JsonString(FpgaVersion(board.version))
                        << ", \"usb\": " << (usb.empty() ? "null" : JsonString(usb)) << "}";
        }
        console.out << (boards.empty() ? "]\n" : "\n]\n") << std::flush;
        return kExitDone;
    }
    if (boards.empty())
        console.err << "tkb list: no board found\n";
    for (const ListedBoard& board : boards) {
        console.out << board.entry;
        if (board.identified) {
            console.out << "  model " << board.identity.modelName << ", type " << board.identity.boardType
                        << ", board ID " << board.boardId << ", FX3 " << unsigned(board.version[0])
                        << ", FPGA " << FpgaVersion(board.version);
            if (!usb.empty())
                console.out << ", " << usb;
        }
        console.out << "\n";
    }
    console.out << std::flush;
    return kExitDone;
}

namespace {

// One transfer on the identified board; `what` names it in the error line when it fails. Nothing is
// printed unless the whole transfer succeeded.
template <typename Transfer>
int OneTransfer(const Command& command, Console& console, const std::string& what, Transfer transfer) {
    CommandRun run(command, console);
    if (!run.Identify())
        return kExitFailed;
    const int32_t result = transfer(run.session());
    return result == TKRUSB20_RET_SUCCESS ? kExitDone : run.FailResult(what, result);
}

}  // namespace

int RunI2cRead(const Command& command, Console& console) {
    std::vector<uint8_t> bytes(command.count);
    const int status = OneTransfer(command, console, "reading slave " + Format("%02X", command.slave),
                                   [&](BoardSession& session) {
                                       return session.ReadI2c(command.slave, command.address, command.word,
                                                              command.repeatedStart, bytes);
                                   });
    if (status == kExitDone)
        console.out << DisplayLine(bytes) << "\n" << std::flush;
    return status;
}

int RunI2cWrite(const Command& command, Console& console) {
    return OneTransfer(
        command, console, "writing slave " + Format("%02X", command.slave), [&](BoardSession& session) {
            return session.WriteI2c(command.slave, command.address, command.word, command.bytes);
        });
}

int RunFpgaRead(const Command& command, Console& console) {
    std::vector<uint32_t> values(command.count);
    const int status = OneTransfer(command, console, "reading FPGA registers", [&](BoardSession& session) {
        return session.ReadFpga(command.address, values);
    });
    if (status != kExitDone)
        return status;
    for (size_t i = 0; i < values.size(); ++i)
        console.out << Format("0x%08X", command.address + 4 * static_cast<uint32_t>(i)) << " "
                    << Format("0x%08X", values[i]) << "\n";
    console.out << std::flush;
    return kExitDone;
}

int RunFpgaWrite(const Command& command, Console& console) {
    return OneTransfer(
        command, console, "writing FPGA register " + Format("0x%08X", command.address),
        [&](BoardSession& session) { return session.WriteFpga(command.address, command.value); });
}

int RunDump(const Command& command, Console& console) {
    CommandRun run(command, console);
    if (!run.Identify())
        return kExitFailed;
    // The whole range is read before anything is printed: a failure leaves no half table.
    const uint32_t count = command.last - command.first + 1;
    std::vector<uint8_t> values(count);
    for (uint32_t offset = 0; offset < count;) {
        const uint32_t address = command.first + offset;
        const uint32_t rowEnd = std::min<uint32_t>((address / kDumpRow + 1) * kDumpRow, command.last + 1);
        const uint32_t length = rowEnd - address;
        const int32_t result = run.session().ReadI2c(command.slave, address, command.word, false,
                                                     std::span<uint8_t>(values.data() + offset, length));
        if (result != TKRUSB20_RET_SUCCESS)
            return run.FailResult("reading slave " + Format("%02X", command.slave) + " at " +
                                      Format(command.word ? "%04X" : "%02X", address),
                                  result);
        offset += length;
    }

    const char* addressFormat = command.word ? "%04X" : "%02X";
    if (command.settingFile) {
        // A setting file that writes the registers back: SLAVE first, then a data line per row.
        console.out << "SLAVE " << Format("%02X", command.slave) << "\r\n";
        for (uint32_t offset = 0; offset < count;) {
            const uint32_t address = command.first + offset;
            const uint32_t rowEnd = std::min<uint32_t>((address / kDumpRow + 1) * kDumpRow, command.last + 1);
            console.out << Format(addressFormat, address);
            for (uint32_t a = address; a < rowEnd; ++a)
                console.out << " " << Format("%02X", values[a - command.first]);
            console.out << "\r\n";
            offset += rowEnd - address;
        }
        console.out << std::flush;
        return kExitDone;
    }

    console.out << (command.word ? "      " : "    ");
    for (unsigned column = 0; column < kDumpRow; ++column)
        console.out << Format("%2x", column) << " ";
    console.out << "   0123456789abcdef\n";
    for (uint32_t row = command.first / kDumpRow * kDumpRow; row <= command.last; row += kDumpRow) {
        std::string ascii;
        console.out << Format(command.word ? "%04x" : "%02x", row) << ": ";
        for (uint32_t a = row; a < row + kDumpRow; ++a) {
            if (a < command.first || a > command.last) {
                console.out << "   ";
                ascii += ' ';
                continue;
            }
            const uint8_t value = values[a - command.first];
            console.out << Format("%02x", value) << " ";
            ascii += value >= 0x20 && value < 0x7F ? static_cast<char>(value) : '.';
        }
        console.out << "   " << ascii << "\n";
    }
    console.out << std::flush;
    return kExitDone;
}

namespace {

// The main window's two controls a setting file run reads, as the command line gives them.
class CommandLineFields final : public SettingFileHost {
public:
    CommandLineFields(std::string slave, bool word) : slave_(std::move(slave)), word_(word) {}
    std::string SlaveAddressText() override { return slave_; }
    bool WordAddressMode() override { return word_; }

private:
    std::string slave_;
    bool word_;
};

}  // namespace

int RunSettingFile(const Command& command, Console& console) {
    const std::optional<std::vector<uint8_t>> bytes = ReadSettingFileBytes(command.file);
    if (!bytes) {
        console.err << "tkb run: cannot read '" << command.file
                    << "': " << ConsoleMessages::MessageText(12005) << "\n";
        return kExitFailed;
    }
    // Parsed once here with an impossible slave address, so that a file writing before its first
    // SLAVE line is caught before anything is sent, unless --slave gives that first slave.
    const SettingFileParse parse = ParseSettingFile(*bytes, command.slaveGiven ? command.slave : kNoSlaveYet);
    if (parse.error) {
        const std::string text = parse.error->fault == SettingFileFault::kEmpty
                                     ? ConsoleMessages::MessageText(12006)
                                     : SettingFileErrorText(*parse.error);
        ConsoleMessages(console.err, "run").ShowText(text, {});
        return kExitFailed;
    }
    for (const SettingFileStep& step : parse.steps) {
        const auto* write = std::get_if<SettingFileWrite>(&step);
        if (write && write->slave == kNoSlaveYet) {
            console.err << "tkb run: line " << write->line << " of '" << command.file
                        << "' writes before any SLAVE line; give --slave\n";
            return kExitMalformed;
        }
    }

    if (command.dryRun) {
        for (const SettingFileStep& step : parse.steps) {
            if (const auto* wait = std::get_if<SettingFileWait>(&step)) {
                console.out << "wait " << wait->milliseconds << " ms\n";
                continue;
            }
            const auto& write = std::get<SettingFileWrite>(step);
            const char* addressFormat = write.slave == kFpgaSlave ? "%08X" : command.word ? "%04X" : "%02X";
            console.out << "write slave " << Format("%02X", write.slave) << " register "
                        << Format(addressFormat, write.address) << ": " << DisplayLine(write.data) << "\n";
        }
        console.out << std::flush;
        return kExitDone;
    }

    CommandRun run(command, console);
    if (!run.Identify())
        return kExitFailed;
    UsbControlBoard board(run.session().control());
    CommandLineFields fields(command.slaveGiven ? Format("%X", command.slave) : "0", command.word);
    SettingFileRunner runner(board, fields, run.messages());
    const SettingFileOutcome outcome = runner.Run(command.file);
    return outcome == SettingFileOutcome::kCompleted ? kExitDone : kExitFailed;
}

int RunStatus(const Command& command, Console& console, ToolLock& lock) {
    CommandRun run(command, console);
    if (!run.Identify())
        return kExitFailed;
    while (true) {
        // The report's reads do not tell failures apart from zeros: a board gone is noticed here.
        const int32_t probe = run.session().Probe();
        if (probe != TKRUSB20_RET_SUCCESS)
            return run.FailResult("opening the board", probe);
        const std::string report =
            WithoutCarriageReturns(BuildStatusReport(run.session().control(), run.session().identity()));
        // On a terminal each refresh replaces the last; elsewhere the reports follow one another.
        if (command.watch && console.outputIsTerminal) {
            console.out.flush();
            console.clearScreen();
        }
        console.out << report << (command.watch && !console.outputIsTerminal ? "\n" : "") << std::flush;
        if (!command.watch)
            return kExitDone;
        const auto next = std::chrono::steady_clock::now() + kStatusPeriod;
        lock.Release();
        while (std::chrono::steady_clock::now() < next) {
            if (console.interrupted())
                return kExitDone;
            std::this_thread::sleep_for(kInterruptPoll);
        }
        if (!lock.Acquire(kToolLockWait))
            return run.Fail("the boards stayed in use by another tkb command");
    }
}

}  // namespace tkbctl::cli
