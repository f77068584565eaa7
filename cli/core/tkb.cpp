#include "tkb.h"

#include <fstream>
#include <iterator>

#include "commands.h"
#include "tool_lock.h"

namespace tkbctl::cli {

std::string CommandName(const Command& command) {
    switch (command.kind) {
        case CommandKind::kHelp:
        case CommandKind::kVersion:
            return "";
        case CommandKind::kList:
            return "list";
        case CommandKind::kI2cRead:
            return "i2c read";
        case CommandKind::kI2cWrite:
            return "i2c write";
        case CommandKind::kFpgaRead:
            return "fpga read";
        case CommandKind::kFpgaWrite:
            return "fpga write";
        case CommandKind::kDump:
            return "dump";
        case CommandKind::kRun:
            return "run";
        case CommandKind::kSettingsShow:
            return "settings show";
        case CommandKind::kSettingsSet:
            return "settings set";
        case CommandKind::kSettingsBackup:
            return "settings backup";
        case CommandKind::kSettingsRestore:
            return "settings restore";
        case CommandKind::kUpdate:
            return command.target == UpdateTarget::kFx3    ? "update fx3"
                   : command.target == UpdateTarget::kFpga ? "update fpga"
                                                           : "update multi";
        case CommandKind::kStatus:
            return "status";
    }
    return "";
}

int CommandRun::Fail(const std::string& reason) {
    console_.err << "tkb " << name_ << ": " << reason << "\n" << std::flush;
    return kExitFailed;
}

bool CommandRun::Identify() {
    std::string error;
    if (session_.Identify(error))
        return true;
    Fail(error);
    return false;
}

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

int RunTkb(const std::vector<std::string>& args, Console& console) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.command) {
        console.err << parsed.error << "\n" << std::flush;
        return kExitMalformed;
    }
    const Command& command = *parsed.command;
    if (command.kind == CommandKind::kHelp) {
        console.out << HelpText(command.helpTopic) << std::flush;
        return kExitDone;
    }
    if (command.kind == CommandKind::kVersion) {
        console.out << "tkb " << TKB_VERSION << "\n" << std::flush;
        return kExitDone;
    }
    ToolLock lock;
    const bool touchesBoards = !(command.kind == CommandKind::kRun && command.dryRun);
    if (touchesBoards && !lock.Acquire(kToolLockWait)) {
        console.err << "tkb " << CommandName(command)
                    << ": the boards are in use by another tkb command, and it did not finish within "
                    << kToolLockWait.count() << " minutes\n"
                    << std::flush;
        return kExitFailed;
    }
    ToolLockHold hold(lock);
    switch (command.kind) {
        case CommandKind::kHelp:
        case CommandKind::kVersion:
            break;
        case CommandKind::kList:
            return RunList(command, console);
        case CommandKind::kI2cRead:
            return RunI2cRead(command, console);
        case CommandKind::kI2cWrite:
            return RunI2cWrite(command, console);
        case CommandKind::kFpgaRead:
            return RunFpgaRead(command, console);
        case CommandKind::kFpgaWrite:
            return RunFpgaWrite(command, console);
        case CommandKind::kDump:
            return RunDump(command, console);
        case CommandKind::kRun:
            return RunSettingFile(command, console);
        case CommandKind::kSettingsShow:
            return RunSettingsShow(command, console);
        case CommandKind::kSettingsSet:
            return RunSettingsSet(command, console);
        case CommandKind::kSettingsBackup:
            return RunSettingsBackup(command, console);
        case CommandKind::kSettingsRestore:
            return RunSettingsRestore(command, console);
        case CommandKind::kUpdate:
            return RunUpdate(command, console);
        case CommandKind::kStatus:
            return RunStatus(command, console, lock);
    }
    return kExitMalformed;
}

}  // namespace tkbctl::cli
