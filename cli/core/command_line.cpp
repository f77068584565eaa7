#include "command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tkbctl::cli {

namespace {

constexpr uint32_t kMaxI2cSlave = 0x7F;
// Slave address 8 means the FPGA in the control program's register operations, never an I2C device.
constexpr uint32_t kFpgaSlave = 8;
constexpr uint32_t kMaxByteSubAddress = 0xFF;
constexpr uint32_t kMaxWordSubAddress = 0xFFFF;
constexpr uint32_t kMaxBoardIndex = 4;

struct Grammar {
    const char* name;  // as the user types it: "i2c read"
    CommandKind kind;
    std::vector<std::string_view> options;
};

const std::vector<Grammar>& Commands() {
    static const std::vector<Grammar> commands = {
        {"list", CommandKind::kList, {"--json"}},
        {"i2c read", CommandKind::kI2cRead, {"--word", "--repeated-start"}},
        {"i2c write", CommandKind::kI2cWrite, {"--word"}},
        {"fpga read", CommandKind::kFpgaRead, {}},
        {"fpga write", CommandKind::kFpgaWrite, {}},
        {"dump", CommandKind::kDump, {"--word", "--setting-file"}},
        {"run", CommandKind::kRun, {"--slave", "--word", "--dry-run"}},
        {"settings show", CommandKind::kSettingsShow, {"--json"}},
        {"settings set", CommandKind::kSettingsSet, {}},
        {"settings backup", CommandKind::kSettingsBackup, {}},
        {"settings restore", CommandKind::kSettingsRestore, {"--force"}},
        {"update fx3", CommandKind::kUpdate, {"--yes"}},
        {"update fpga", CommandKind::kUpdate, {"--yes"}},
        {"update multi", CommandKind::kUpdate, {"--yes"}},
        {"status", CommandKind::kStatus, {"--watch"}},
    };
    return commands;
}

// Commands that take a second word.
constexpr std::array<std::string_view, 4> kCommandFamilies = {"i2c", "fpga", "settings", "update"};

bool IsFamily(std::string_view word) {
    return std::find(kCommandFamilies.begin(), kCommandFamilies.end(), word) != kCommandFamilies.end();
}

const Grammar* FindCommand(const std::string& name) {
    for (const Grammar& grammar : Commands()) {
        if (name == grammar.name)
            return &grammar;
    }
    return nullptr;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Hexadecimal as the control program reads its fields, with an optional "0x", but whole: a word
// with anything else in it is refused rather than cut short.
std::optional<uint32_t> ParseHex(std::string_view text, uint32_t max) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 8 || !std::all_of(text.begin(), text.end(), IsHexDigit))
        return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        const uint32_t digit = c <= '9' ? uint32_t(c - '0') : uint32_t((c | 0x20) - 'a' + 10);
        value = value << 4 | digit;
    }
    if (value > max)
        return std::nullopt;
    return value;
}

std::optional<uint32_t> ParseDecimal(std::string_view text, uint32_t min, uint32_t max) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    uint32_t value = 0;
    for (char c : text)
        value = value * 10 + uint32_t(c - '0');
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

std::string Hex(uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

// Positional words of one command, taken in order, each checked as it is taken. The first failure
// is kept; later takes do nothing, so a command reads as its grammar.
class Words {
public:
    Words(std::string command, std::vector<std::string> words)
        : command_(std::move(command)), words_(std::move(words)) {}

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    bool More() const { return next_ < words_.size(); }

    std::string Text(const char* what) {
        if (!Available(what))
            return {};
        return words_[next_++];
    }

    uint32_t Hex(const char* what, uint32_t max) {
        if (!Available(what))
            return 0;
        const std::string& word = words_[next_++];
        const std::optional<uint32_t> value = ParseHex(word, max);
        if (!value)
            Fail("'" + word + "' is not a " + what + " (hexadecimal, at most 0x" + cli::Hex(max) + ")");
        return value.value_or(0);
    }

    uint32_t Decimal(const char* what, uint32_t min, uint32_t max) {
        if (!Available(what))
            return 0;
        const std::string& word = words_[next_++];
        const std::optional<uint32_t> value = ParseDecimal(word, min, max);
        if (!value) {
            Fail("'" + word + "' is not a " + what + " (decimal, " + std::to_string(min) + " to " +
                 std::to_string(max) + ")");
        }
        return value.value_or(0);
    }

    // A word that cannot be an I2C slave; the first failure stands.
    void Refuse(const std::string& reason) { Fail(reason); }

    void End() {
        if (More())
            Fail("unexpected argument '" + words_[next_] + "'");
    }

private:
    bool Available(const char* what) {
        if (Failed())
            return false;
        if (!More()) {
            Fail(std::string("missing ") + what);
            return false;
        }
        return true;
    }
    void Fail(const std::string& reason) {
        if (!Failed())
            error_ = "tkb " + command_ + ": " + reason;
    }

    std::string command_;
    std::vector<std::string> words_;
    size_t next_ = 0;
    std::string error_;
};

uint32_t TakeI2cSlave(Words& words) {
    const uint32_t slave = words.Hex("slave address", kMaxI2cSlave);
    if (!words.Failed() && slave == kFpgaSlave)
        words.Refuse("slave address 08 is the FPGA; use 'tkb fpga read' or 'tkb fpga write'");
    return slave;
}

// The positional part of each command.
void TakeArguments(const Grammar& grammar, Words& words, Command& command) {
    const uint32_t maxSub = command.word ? kMaxWordSubAddress : kMaxByteSubAddress;
    switch (grammar.kind) {
        case CommandKind::kI2cRead:
            command.slave = TakeI2cSlave(words);
            command.address = words.Hex("sub-address", maxSub);
            command.count = words.Decimal("byte count", 1, kMaxI2cReadCount);
            break;
        case CommandKind::kI2cWrite:
            command.slave = TakeI2cSlave(words);
            command.address = words.Hex("sub-address", maxSub);
            if (!words.Failed() && !words.More())
                words.Refuse("missing data byte (at least one BYTE)");
            while (!words.Failed() && words.More())
                command.bytes.push_back(static_cast<uint8_t>(words.Hex("data byte", 0xFF)));
            break;
        case CommandKind::kFpgaRead:
            command.address = words.Hex("register address", 0xFFFFFFFF);
            if (words.More())
                command.count = words.Decimal("register count", 1, kMaxFpgaReadCount);
            break;
        case CommandKind::kFpgaWrite:
            command.address = words.Hex("register address", 0xFFFFFFFF);
            command.value = words.Hex("register value", 0xFFFFFFFF);
            break;
        case CommandKind::kDump:
            command.slave = TakeI2cSlave(words);
            // Without a range, the first 256 registers, as a byte-addressed device has them.
            command.first = 0;
            command.last = 0xFF;
            if (words.More()) {
                command.first = words.Hex("first sub-address", maxSub);
                command.last = words.Hex("last sub-address", maxSub);
                if (!words.Failed() && command.last < command.first)
                    words.Refuse("the last sub-address is below the first");
            }
            break;
        case CommandKind::kRun:
        case CommandKind::kSettingsBackup:
        case CommandKind::kSettingsRestore:
        case CommandKind::kUpdate:
            command.file = words.Text("FILE");
            break;
        case CommandKind::kSettingsSet:
            if (!words.More())
                words.Refuse("missing FIELD=VALUE");
            while (!words.Failed() && words.More()) {
                const std::string assignment = words.Text("FIELD=VALUE");
                const size_t equals = assignment.find('=');
                if (equals == std::string::npos || equals == 0) {
                    words.Refuse("'" + assignment + "' is not FIELD=VALUE");
                    break;
                }
                command.assignments.emplace_back(assignment.substr(0, equals), assignment.substr(equals + 1));
            }
            break;
        default:
            break;
    }
    words.End();
}

ParsedCommandLine HelpFor(const std::string& topic) {
    Command command;
    command.kind = CommandKind::kHelp;
    command.helpTopic = topic;
    return {command, {}};
}

ParsedCommandLine Failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    Command command;
    size_t at = 0;
    bool boardGiven = false;
    // Global options: only before the command.
    while (at < args.size() && !args[at].empty() && args[at][0] == '-') {
        const std::string& option = args[at];
        if (option == "--help" || option == "-h") {
            command.kind = CommandKind::kHelp;
            return {command, {}};
        }
        if (option == "--version") {
            command.kind = CommandKind::kVersion;
            return {command, {}};
        }
        if (option != "-b")
            return Failure("tkb: unknown option '" + option + "' (see 'tkb --help')");
        if (boardGiven)
            return Failure("tkb: '-b' is given twice");
        if (at + 1 >= args.size())
            return Failure("tkb: '-b' needs a board index (0 to 4)");
        const std::optional<uint32_t> board = ParseDecimal(args[at + 1], 0, kMaxBoardIndex);
        if (!board)
            return Failure("tkb: '" + args[at + 1] + "' is not a board index (0 to 4)");
        command.board = *board;
        boardGiven = true;
        at += 2;
    }
    if (at >= args.size())
        return Failure("tkb: missing command (see 'tkb --help')");

    std::string name = args[at++];
    if (IsFamily(name)) {
        if (at >= args.size() || args[at] == "--help" || args[at] == "-h") {
            if (at < args.size())
                return HelpFor(name);
            return Failure("tkb " + name + ": missing sub-command (see 'tkb " + name + " --help')");
        }
        const std::string sub = args[at++];
        name += " " + sub;
        if (!FindCommand(name))
            return Failure("tkb: unknown command '" + name + "' (see 'tkb --help')");
    }
    const Grammar* grammar = FindCommand(name);
    if (!grammar)
        return Failure("tkb: unknown command '" + name + "' (see 'tkb --help')");
    command.kind = grammar->kind;
    if (grammar->kind == CommandKind::kUpdate) {
        command.target = name == "update fx3"    ? UpdateTarget::kFx3
                         : name == "update fpga" ? UpdateTarget::kFpga
                                                 : UpdateTarget::kMulti;
    }

    // Options may stand anywhere after the command; the rest are its words, in order.
    std::vector<std::string> words;
    std::string slaveText;
    for (; at < args.size(); ++at) {
        const std::string& arg = args[at];
        if (arg == "--help" || arg == "-h")
            return HelpFor(name);
        if (arg.size() < 2 || arg[0] != '-') {
            words.push_back(arg);
            continue;
        }
        if (arg == "-b")
            return Failure("tkb " + name + ": '-b' must come before the command");
        if (std::find(grammar->options.begin(), grammar->options.end(), arg) == grammar->options.end())
            return Failure("tkb " + name + ": unknown option '" + arg + "' (see 'tkb " + name + " --help')");
        if (arg == "--json") {
            command.json = true;
        } else if (arg == "--word") {
            command.word = true;
        } else if (arg == "--repeated-start") {
            command.repeatedStart = true;
        } else if (arg == "--setting-file") {
            command.settingFile = true;
        } else if (arg == "--dry-run") {
            command.dryRun = true;
        } else if (arg == "--force") {
            command.force = true;
        } else if (arg == "--yes") {
            command.yes = true;
        } else if (arg == "--watch") {
            command.watch = true;
        } else if (arg == "--slave") {
            if (at + 1 >= args.size())
                return Failure("tkb " + name + ": '--slave' needs a slave address");
            slaveText = args[++at];
            command.slaveGiven = true;
        }
    }
    if (command.slaveGiven) {
        // A setting file may name the FPGA (slave 8) as its slave, as the program's field may.
        const std::optional<uint32_t> slave = ParseHex(slaveText, kMaxI2cSlave);
        if (!slave)
            return Failure("tkb " + name + ": '" + slaveText +
                           "' is not a slave address (hexadecimal, at most 0x7F)");
        command.slave = *slave;
    }

    Words positional(name, std::move(words));
    TakeArguments(*grammar, positional, command);
    if (positional.Failed())
        return Failure(positional.Error());
    return {command, {}};
}

}  // namespace tkbctl::cli
