// The tkb command line as data: a pure function from the arguments to one command, so that a
// malformed command is refused before anything reaches a board.
//
// Conventions scripts rely on: "-b N" before the command picks board index N (0 without it);
// slave addresses, sub-addresses, register addresses, values and data bytes are hexadecimal with an
// optional "0x", as in the control program; counts are decimal.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tkbctl::cli {

enum class CommandKind {
    kHelp,  // topic in Command::helpTopic ("" for the overview)
    kVersion,
    kList,
    kI2cRead,
    kI2cWrite,
    kFpgaRead,
    kFpgaWrite,
    kDump,
    kRun,
    kSettingsShow,
    kSettingsSet,
    kSettingsBackup,
    kSettingsRestore,
    kUpdate,
    kStatus,
};

enum class UpdateTarget { kFx3, kFpga, kMulti };

struct Command {
    CommandKind kind = CommandKind::kHelp;
    std::string helpTopic;
    uint32_t board = 0;

    // Options; each applies only to the commands that accept it.
    bool json = false;
    bool word = false;
    bool repeatedStart = false;
    bool settingFile = false;
    bool dryRun = false;
    bool force = false;
    bool yes = false;
    bool watch = false;

    uint32_t slave = 0;       // i2c, dump, run --slave
    bool slaveGiven = false;  // run: --slave was given
    uint32_t address = 0;     // i2c sub-address, fpga register address
    uint32_t count = 1;       // i2c read bytes, fpga read registers
    uint32_t value = 0;       // fpga write
    uint32_t first = 0;       // dump range
    uint32_t last = 0xFF;
    std::vector<uint8_t> bytes;                                    // i2c write
    std::string file;                                              // run, settings backup/restore, update
    std::vector<std::pair<std::string, std::string>> assignments;  // settings set FIELD=VALUE
    UpdateTarget target = UpdateTarget::kFx3;

    bool operator==(const Command&) const = default;
};

// A command, or the one-line reason why the arguments are not one (naming the wrong word).
struct ParsedCommandLine {
    std::optional<Command> command;
    std::string error;
};

// Parses the arguments after the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// "tkb --help" and "tkb COMMAND --help"; `topic` is a command name as ParseCommandLine keeps it in
// Command::helpTopic ("" for the overview).
std::string HelpText(const std::string& topic);

// The largest counts the library carries in one transfer.
inline constexpr uint32_t kMaxI2cReadCount = 255;
inline constexpr uint32_t kMaxFpgaReadCount = 1024;

}  // namespace tkbctl::cli
