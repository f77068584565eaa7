// The commands of tkb, each run on a parsed command line. Shared by their implementations only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "board_session.h"
#include "command_line.h"
#include "tkb.h"
#include "tool_lock.h"

namespace tkbctl::cli {

// The words that name a command, as error lines start: "i2c read".
std::string CommandName(const Command& command);

// What every board command has: its name for messages, the console and a session on the board.
class CommandRun {
public:
    CommandRun(const Command& command, Console& console)
        : command_(command),
          console_(console),
          name_(CommandName(command)),
          messages_(console.err, name_),
          session_(command.board, messages_) {}

    const Command& command() const { return command_; }
    Console& console() { return console_; }
    BoardSession& session() { return session_; }
    MessageSink& messages() { return messages_; }

    // One error line on standard error; returns the failure exit status.
    int Fail(const std::string& reason);
    int FailResult(const std::string& what, int32_t result) {
        return Fail(what + " failed on board " + std::to_string(command_.board) + ": " +
                    ResultDescription(result));
    }
    // Identification of the board; an error line when it fails.
    bool Identify();

private:
    const Command& command_;
    Console& console_;
    std::string name_;
    ConsoleMessages messages_;
    BoardSession session_;
};

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);

int RunList(const Command& command, Console& console);
int RunI2cRead(const Command& command, Console& console);
int RunI2cWrite(const Command& command, Console& console);
int RunFpgaRead(const Command& command, Console& console);
int RunFpgaWrite(const Command& command, Console& console);
int RunDump(const Command& command, Console& console);
int RunSettingFile(const Command& command, Console& console);
// Lets other tkb commands use the boards between its refreshes.
int RunStatus(const Command& command, Console& console, ToolLock& lock);
int RunSettingsShow(const Command& command, Console& console);
int RunSettingsSet(const Command& command, Console& console);
int RunSettingsBackup(const Command& command, Console& console);
int RunSettingsRestore(const Command& command, Console& console);
int RunUpdate(const Command& command, Console& console);

}  // namespace tkbctl::cli
