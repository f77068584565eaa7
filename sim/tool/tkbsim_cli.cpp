#include "tkbsim_cli.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>

#include "tkbsim/board_folder.h"
#include "tkbsim/error.h"
#include "tkbsim/models.h"

namespace tkbsim {
namespace {

constexpr const char* kHelp =
    "Usage: tkbsim COMMAND ARGUMENTS\n"
    "Virtual boards for the board tools: each board is a file in a board folder.\n"
    "Numbers are decimal, or hexadecimal with the prefix 0x. BOARD is a board number from 'list'.\n"
    "\n"
    "  models                                   list the board models\n"
    "  create DIR MODEL[:OPTION]...             add factory-fresh boards to DIR (made if missing);\n"
    "                                           OPTION: usb2 or usb3 (the connection),\n"
    "                                           version=BYTE,... (what the board answers for its\n"
    "                                           version), letters=ABCD (its FPGA's letters, - none)\n"
    "  list DIR                                 list the boards of DIR with their state and faults\n"
    "  fpga-show DIR BOARD ADDRESS [COUNT]      show COUNT 32-bit FPGA registers from ADDRESS on\n"
    "  fpga-set DIR BOARD ADDRESS VALUE         set an FPGA register (read-only ones too)\n"
    "  i2c-show DIR BOARD SLAVE SUBADDRESS COUNT  show registers of an I2C slave\n"
    "  i2c-set DIR BOARD SLAVE SUBADDRESS BYTE...  set registers of an I2C slave\n"
    "  flash-show DIR BOARD ADDRESS LENGTH      show a flash range\n"
    "  flash-set DIR BOARD ADDRESS BYTE...      write bytes into the flash\n"
    "  flash-load DIR BOARD ADDRESS FILE        write a file into the flash\n"
    "  fault DIR BOARD status STATUS [COUNT]    the next COUNT commands (1) answer STATUS\n"
    "  fault DIR BOARD error CODE [COUNT]       the next COUNT driver requests (1) fail with CODE\n"
    "  fault DIR BOARD cut LENGTH               the next reply is cut to LENGTH bytes\n"
    "  fault DIR BOARD no-endpoint ENDPOINT     the pipe list leaves out endpoint 0x04 or 0x84\n"
    "  fault DIR BOARD bad-flash ADDRESS LENGTH  flash writes there are acknowledged but not kept\n"
    "  fault DIR BOARD refuse COMMAND STATUS    every COMMAND frame answers STATUS and does nothing\n"
    "  fault DIR BOARD opens COUNT              only COUNT more opens succeed, later ones fail\n"
    "  clear-faults DIR BOARD                   remove every fault\n"
    "  log DIR BOARD                            print the frames the board received\n"
    "  clear-log DIR BOARD                      empty the frame log\n"
    "  restart DIR BOARD                        restart the board (as its restart register does)\n"
    "  unplug DIR BOARD                         take the board off the USB\n"
    "  plug DIR BOARD                           plug the board in again\n"
    "  --help                                   show this text\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string Hex(uint64_t value, int digits = 0) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

uint64_t ParseNumber(const std::string& text, uint64_t max, const char* what) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    const int base = hex ? 16 : 10;
    uint64_t value = 0;
    bool valid = !digits.empty() && digits.size() <= 16;
    for (char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0 || value > (std::numeric_limits<uint64_t>::max() - digit) / base) {
            valid = false;
            break;
        }
        value = value * base + digit;
    }
    if (!valid) {
        throw UsageError(std::string(what) + ": '" + text + "' is not a number");
    }
    if (value > max) {
        throw UsageError(std::string(what) + ": " + text + " is above " + Hex(max));
    }
    return value;
}

std::vector<uint8_t> ParseBytes(std::vector<std::string>::const_iterator first,
                                std::vector<std::string>::const_iterator last) {
    std::vector<uint8_t> bytes;
    for (auto it = first; it != last; ++it) {
        bytes.push_back(static_cast<uint8_t>(ParseNumber(*it, 0xFF, "BYTE")));
    }
    return bytes;
}

void PrintDump(std::ostream& out, const std::string& prefix, uint32_t address,
               const std::vector<uint8_t>& bytes, int addressDigits) {
    for (size_t line = 0; line < bytes.size(); line += 16) {
        out << prefix << Hex(address + line, addressDigits) << ":";
        for (size_t i = line; i < std::min(bytes.size(), line + 16); ++i) {
            char text[4];
            std::snprintf(text, sizeof text, " %02X", bytes[i]);
            out << text;
        }
        out << "\n";
    }
}

std::string FaultText(const BoardFaults& faults) {
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (faults.statusCount > 0) {
        add("next " + std::to_string(faults.statusCount) + " commands answer status " +
            Hex(faults.status, 2));
    }
    if (faults.errorCount > 0) {
        add("next " + std::to_string(faults.errorCount) + " requests fail with error " +
            std::to_string(faults.error));
    }
    if (faults.cutArmed) {
        add("next reply cut to " + std::to_string(faults.cutLength) + " bytes");
    }
    if (faults.missingEndpoint) {
        add("no endpoint " + Hex(faults.missingEndpoint, 2));
    }
    if (faults.badFlashLength > 0) {
        add("flash " + Hex(faults.badFlashStart, 6) + " to " +
            Hex(faults.badFlashStart + faults.badFlashLength - 1, 6) + " keeps no writes");
    }
    if (faults.refuseArmed) {
        add("command " + Hex(faults.refusedCommand, 2) + " answers status " + Hex(faults.refusedStatus, 2));
    }
    if (faults.openLimitArmed) {
        add(faults.opensLeft > 0 ? "opens " + std::to_string(faults.opensLeft) + " more times"
                                 : "does not open");
    }
    return text;
}

// What a board answers to identification, when it is not what its model answers.
std::string OwnIdentityText(const BoardInfo& info) {
    const ModelInfo& model = *info.model;
    const std::array<uint8_t, 10> modelVersion{model.fx3Version, model.fpgaMinor, model.fpgaMajor};
    const bool ownLetters = !std::equal(info.letters.begin(), info.letters.end(), model.letters);
    if (info.version == modelVersion && !ownLetters) {
        return "";
    }
    std::string text = ", version";
    for (uint8_t byte : info.version) {
        text += ' ';
        text += Hex(byte, 2);
    }
    text += ", letters ";
    for (char letter : info.letters) {
        text += letter ? letter : '-';
    }
    return text;
}

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    size_t minArgs;
    size_t maxArgs;
    std::function<void(const Args&, std::ostream&)> run;
};

std::shared_ptr<Board> OpenBoard(const Args& args) {
    const auto number = static_cast<uint32_t>(ParseNumber(args[1], 999999999, "BOARD"));
    return BoardFolder(args[0]).Open(number);
}

void Models(const Args&, std::ostream& out) {
    for (const ModelInfo& model : kModels) {
        char line[96];
        std::snprintf(line, sizeof line, "%-13s board type %-2d  USB %X.%X  settings at 0x%06X\n", model.name,
                      model.boardType, model.usbRelease >> 8, (model.usbRelease >> 4) & 0xF,
                      model.settingsAddress);
        out << line;
    }
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::array<uint8_t, 10> ParseVersion(const std::string& text) {
    const std::vector<std::string> bytes = Split(text, ',');
    std::array<uint8_t, 10> version{};
    if (bytes.size() > version.size()) {
        throw UsageError("version: at most " + std::to_string(version.size()) + " bytes");
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        version[i] = static_cast<uint8_t>(ParseNumber(bytes[i], 0xFF, "version"));
    }
    return version;
}

std::array<char, 4> ParseLetters(const std::string& text) {
    std::array<char, 4> letters{};
    if (text.size() > letters.size()) {
        throw UsageError("letters: at most " + std::to_string(letters.size()) + " letters, A to D");
    }
    for (size_t i = 0; i < text.size(); ++i) {
        letters[i] = text[i] == '-' ? 0 : text[i];
    }
    return letters;
}

// MODEL[:OPTION]..., as 'create' takes it.
NewBoard ParseNewBoard(const std::string& text) {
    const std::vector<std::string> parts = Split(text, ':');
    NewBoard newBoard;
    newBoard.model = FindModel(parts[0]);
    if (!newBoard.model) {
        throw UsageError("unknown model '" + parts[0] + "' (see 'tkbsim models')");
    }
    for (auto part = parts.begin() + 1; part != parts.end(); ++part) {
        if (*part == "usb2" || *part == "usb3") {
            newBoard.usbRelease = *part == "usb2" ? 0x0200 : 0x0300;
        } else if (part->starts_with("version=")) {
            newBoard.version = ParseVersion(part->substr(8));
        } else if (part->starts_with("letters=")) {
            newBoard.letters = ParseLetters(part->substr(8));
        } else {
            throw UsageError("'" + text +
                             "': the options are the connection (usb2 or usb3), version=BYTE,... " +
                             "and letters=ABCD");
        }
    }
    return newBoard;
}

void Create(const Args& args, std::ostream& out) {
    std::vector<NewBoard> newBoards;
    for (auto it = args.begin() + 1; it != args.end(); ++it) {
        newBoards.push_back(ParseNewBoard(*it));
    }
    const std::vector<uint32_t> numbers = BoardFolder(args[0]).Create(newBoards);
    for (size_t i = 0; i < numbers.size(); ++i) {
        out << "board " << numbers[i] << ": " << newBoards[i].model->name << "\n";
    }
}

void List(const Args& args, std::ostream& out) {
    for (const BoardFolder::Entry& entry : BoardFolder(args[0]).List()) {
        if (!entry.board) {
            out << "board " << entry.number << ": refused: " << entry.error << "\n";
            continue;
        }
        const BoardInfo info = entry.board->Info();
        out << "board " << entry.number << ": " << info.model->name << ", USB " << Hex(info.usbRelease, 4)
            << ", " << (info.plugged ? "plugged in" : "unplugged") << ", " << info.restarts << " restarts"
            << OwnIdentityText(info);
        const std::string faults = FaultText(info.faults);
        out << (faults.empty() ? "" : "; faults: " + faults) << "\n";
    }
}

void FpgaShow(const Args& args, std::ostream& out) {
    const auto address = static_cast<uint32_t>(ParseNumber(args[2], 0xFFFFFFFF, "ADDRESS"));
    const auto count = args.size() > 3 ? static_cast<uint32_t>(ParseNumber(args[3], 1024, "COUNT")) : 1;
    if (uint64_t{address} + 4ull * (count ? count - 1 : 0) > 0xFFFFFFFF) {
        throw UsageError("COUNT: the registers run past 0xFFFFFFFF");
    }
    std::shared_ptr<Board> board = OpenBoard(args);
    for (uint32_t i = 0; i < count; ++i) {
        out << Hex(address + 4 * i, 8) << " = " << Hex(board->ReadFpga(address + 4 * i), 8) << "\n";
    }
}

void FpgaSet(const Args& args, std::ostream&) {
    const auto address = static_cast<uint32_t>(ParseNumber(args[2], 0xFFFFFFFF, "ADDRESS"));
    const auto value = static_cast<uint32_t>(ParseNumber(args[3], 0xFFFFFFFF, "VALUE"));
    OpenBoard(args)->WriteFpga(address, value);
}

void I2CShow(const Args& args, std::ostream& out) {
    const auto slave = static_cast<uint8_t>(ParseNumber(args[2], 0x7F, "SLAVE"));
    const auto subAddress = static_cast<uint32_t>(ParseNumber(args[3], 0xFFFF, "SUBADDRESS"));
    const auto count = static_cast<uint32_t>(ParseNumber(args[4], 0x10000, "COUNT"));
    const std::vector<uint8_t> bytes = OpenBoard(args)->ReadI2C(slave, subAddress, count);
    PrintDump(out, Hex(slave, 2) + " ", subAddress, bytes, 4);
}

void I2CSet(const Args& args, std::ostream&) {
    const auto slave = static_cast<uint8_t>(ParseNumber(args[2], 0x7F, "SLAVE"));
    const auto subAddress = static_cast<uint32_t>(ParseNumber(args[3], 0xFFFF, "SUBADDRESS"));
    const std::vector<uint8_t> bytes = ParseBytes(args.begin() + 4, args.end());
    OpenBoard(args)->WriteI2C(slave, subAddress, bytes);
}

void FlashShow(const Args& args, std::ostream& out) {
    const auto address = static_cast<uint32_t>(ParseNumber(args[2], kFlashSize - 1, "ADDRESS"));
    const auto length = static_cast<uint32_t>(ParseNumber(args[3], kFlashSize, "LENGTH"));
    PrintDump(out, "", address, OpenBoard(args)->ReadFlash(address, length), 6);
}

void FlashSet(const Args& args, std::ostream&) {
    const auto address = static_cast<uint32_t>(ParseNumber(args[2], kFlashSize - 1, "ADDRESS"));
    OpenBoard(args)->WriteFlash(address, ParseBytes(args.begin() + 3, args.end()));
}

void FlashLoad(const Args& args, std::ostream& out) {
    const auto address = static_cast<uint32_t>(ParseNumber(args[2], kFlashSize - 1, "ADDRESS"));
    std::ifstream file(args[3], std::ios::binary);
    if (!file) {
        throw Error(args[3] + ": cannot open the file");
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    if (file.bad()) {
        throw Error(args[3] + ": cannot read the file");
    }
    OpenBoard(args)->WriteFlash(address, bytes);
    out << bytes.size() << " bytes written at " << Hex(address, 6) << "\n";
}

void Fault(const Args& args, std::ostream&) {
    const std::string& kind = args[2];
    const size_t values = args.size() - 3;
    auto expect = [&](size_t min, size_t max) {
        if (values < min || values > max) {
            throw UsageError("fault " + kind + ": wrong number of arguments (see 'tkbsim --help')");
        }
    };
    std::function<void(Board&)> inject;
    if (kind == "status") {
        expect(1, 2);
        const auto status = static_cast<uint8_t>(ParseNumber(args[3], 0xFF, "STATUS"));
        const auto count = values > 1 ? static_cast<uint32_t>(ParseNumber(args[4], 0xFFFFFFFF, "COUNT")) : 1;
        if (status == 0) {
            throw UsageError("STATUS: a failing command answers a status other than 0");
        }
        inject = [=](Board& board) { board.FailNextCommands(count, status); };
    } else if (kind == "error") {
        expect(1, 2);
        const auto code = static_cast<uint32_t>(ParseNumber(args[3], 0xFFFFFFFF, "CODE"));
        const auto count = values > 1 ? static_cast<uint32_t>(ParseNumber(args[4], 0xFFFFFFFF, "COUNT")) : 1;
        if (code == 0) {
            throw UsageError("CODE: a failing request has an error code other than 0");
        }
        inject = [=](Board& board) { board.FailNextRequests(count, code); };
    } else if (kind == "cut") {
        expect(1, 1);
        const auto length = static_cast<uint32_t>(ParseNumber(args[3], 0xFFFFFFFF, "LENGTH"));
        inject = [=](Board& board) { board.CutNextReply(length); };
    } else if (kind == "no-endpoint") {
        expect(1, 1);
        const auto endpoint = static_cast<uint8_t>(ParseNumber(args[3], 0xFF, "ENDPOINT"));
        if (endpoint != 0x04 && endpoint != 0x84) {
            throw UsageError("ENDPOINT: the board's endpoints are 0x04 and 0x84");
        }
        inject = [=](Board& board) { board.RemoveEndpoint(endpoint); };
    } else if (kind == "bad-flash") {
        expect(2, 2);
        const auto address = static_cast<uint32_t>(ParseNumber(args[3], kFlashSize - 1, "ADDRESS"));
        const auto length = static_cast<uint32_t>(ParseNumber(args[4], kFlashSize - address, "LENGTH"));
        inject = [=](Board& board) { board.SetBadFlash(address, length); };
    } else if (kind == "refuse") {
        expect(2, 2);
        const auto command = static_cast<uint8_t>(ParseNumber(args[3], 0xFF, "COMMAND"));
        const auto status = static_cast<uint8_t>(ParseNumber(args[4], 0xFF, "STATUS"));
        if (status == 0) {
            throw UsageError("STATUS: a refused command answers a status other than 0");
        }
        inject = [=](Board& board) { board.RefuseCommand(command, status); };
    } else if (kind == "opens") {
        expect(1, 1);
        const auto count = static_cast<uint32_t>(ParseNumber(args[3], 0xFFFFFFFF, "COUNT"));
        inject = [=](Board& board) { board.StopOpeningAfter(count); };
    } else {
        throw UsageError("unknown fault '" + kind +
                         "' (status, error, cut, no-endpoint, bad-flash, refuse, opens)");
    }
    inject(*OpenBoard(args));
}

void Log(const Args& args, std::ostream& out) {
    uint64_t overwritten = 0;
    const std::vector<LoggedFrame> frames = OpenBoard(args)->Log(overwritten);
    if (overwritten > 0) {
        out << "(" << overwritten << " older frames no longer held)\n";
    }
    for (const LoggedFrame& frame : frames) {
        out << "#" << frame.sequence << " pid " << frame.pid << (frame.imageData ? " image" : "") << " "
            << frame.length << " bytes:";
        for (uint8_t byte : frame.head) {
            char text[4];
            std::snprintf(text, sizeof text, " %02X", byte);
            out << text;
        }
        out << (frame.length > frame.head.size() ? " ...\n" : "\n");
    }
}

const Command kCommands[] = {
    {"models", 0, 0, Models},
    {"create", 2, 1000, Create},
    {"list", 1, 1, List},
    {"fpga-show", 3, 4, FpgaShow},
    {"fpga-set", 4, 4, FpgaSet},
    {"i2c-show", 5, 5, I2CShow},
    {"i2c-set", 5, 0x10004, I2CSet},
    {"flash-show", 4, 4, FlashShow},
    {"flash-set", 4, 0x1000003, FlashSet},
    {"flash-load", 4, 4, FlashLoad},
    {"fault", 3, 5, Fault},
    {"clear-faults", 2, 2, [](const Args& args, std::ostream&) { OpenBoard(args)->ClearFaults(); }},
    {"log", 2, 2, Log},
    {"clear-log", 2, 2, [](const Args& args, std::ostream&) { OpenBoard(args)->ClearLog(); }},
    {"restart", 2, 2, [](const Args& args, std::ostream&) { OpenBoard(args)->Restart(); }},
    {"unplug", 2, 2, [](const Args& args, std::ostream&) { OpenBoard(args)->Unplug(); }},
    {"plug", 2, 2, [](const Args& args, std::ostream&) { OpenBoard(args)->Plug(); }},
};

}  // namespace

int RunTkbsim(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? err : out) << kHelp;
        return args.empty() ? 2 : 0;
    }
    const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                      [&](const Command& c) { return args[0] == c.name; });
    if (command == std::end(kCommands)) {
        err << "tkbsim: unknown command '" << args[0] << "' (see 'tkbsim --help')\n";
        return 2;
    }
    const Args rest(args.begin() + 1, args.end());
    if (rest.size() < command->minArgs || rest.size() > command->maxArgs) {
        err << "tkbsim " << command->name << ": wrong number of arguments (see 'tkbsim --help')\n";
        return 2;
    }
    try {
        command->run(rest, out);
        return 0;
    } catch (const UsageError& error) {
        err << "tkbsim " << command->name << ": " << error.what() << "\n";
        return 2;
    } catch (const std::exception& error) {
        err << "tkbsim " << command->name << ": " << error.what() << "\n";
        return 1;
    }
}

}  // namespace tkbsim
