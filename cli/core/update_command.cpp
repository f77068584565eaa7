// update fx3|fpga|multi: the firmware update procedure with a question, progress and verification.
#include <cstdio>

#include "commands.h"
#include "progress_display.h"

namespace tkbctl::cli {

namespace {

FirmwareKind KindOf(UpdateTarget target) {
    switch (target) {
        case UpdateTarget::kFx3:
            return FirmwareKind::kFx3;
        case UpdateTarget::kFpga:
            return FirmwareKind::kFpga;
        case UpdateTarget::kMulti:
            return FirmwareKind::kMulti;
    }
    return FirmwareKind::kFx3;
}

const char* ImageName(FirmwareKind kind) {
    switch (kind) {
        case FirmwareKind::kFx3:
            return "FX3 firmware";
        case FirmwareKind::kFpga:
            return "FPGA image";
        case FirmwareKind::kMulti:
            return "whole-flash (multi) image";
    }
    return "";
}

// Yes only for an answer that says so; anything else, the end of the input included, is no.
bool Confirmed(Console& console, const std::string& question) {
    console.err << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(console.in, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes";
}

std::string Mismatch(const UpdateReport& report) {
    char text[96];
    std::snprintf(text, sizeof text, "first differs at byte 0x%zX: expected %02X, read %02X",
                  report.firstDifference, report.expected, report.actual);
    return text;
}

}  // namespace

int RunUpdate(const Command& command, Console& console) {
    CommandRun run(command, console);
    const FirmwareKind kind = KindOf(command.target);
    const std::optional<std::vector<uint8_t>> image = ReadSettingFileBytes(command.file);
    if (!image)
        return run.Fail("cannot read '" + command.file + "': " + ConsoleMessages::MessageText(12005));
    if (!command.yes && !console.inputIsTerminal) {
        return run.Fail(
            "refused: not confirmed, and standard input is not a terminal to ask on (give --yes); "
            "nothing was written");
    }
    if (!run.Identify())
        return kExitFailed;
    const BoardIdentity& identity = run.session().identity();
    const bool keepsSettings = CoversSettingsBlock(kind, identity, image->size());
    if (!command.yes) {
        std::string question = std::string("Write the ") + ImageName(kind) + " '" + command.file + "' (" +
                               std::to_string(image->size()) + " bytes) to board " +
                               std::to_string(command.board) + " (" + identity.modelName + ")?";
        if (keepsSettings)
            question += " The image covers the settings block; the block will be kept.";
        if (!Confirmed(console, question))
            return run.Fail("refused: not confirmed; nothing was written");
    }

    const UpdateMessageIds ids = MessageIdsFor(kind);
    ProgressDisplay progress(console.err, console.errorIsTerminal);
    const UpdateReport report = RunFirmwareUpdate(run.session().control(), identity, kind, *image, progress);
    progress.Abandon();
    const std::string failed = ConsoleMessages::MessageText(ids.writeFailed);
    const std::string onBoard = " on board " + std::to_string(command.board) + ": ";
    const std::string why = ResultDescription(report.result);
    switch (report.outcome) {
        case UpdateOutcome::kDone:
            break;
        case UpdateOutcome::kRefused:
            return run.Fail("writing the image was refused before anything was sent: " + failed);
        case UpdateOutcome::kSettingsSaveFailed:
            return run.Fail("saving the settings block before the update failed" + onBoard + why +
                            "; nothing was written");
        case UpdateOutcome::kWriteFailed:
            return run.Fail("writing the image failed" + onBoard + why + ". " + failed);
        case UpdateOutcome::kReadBackFailed:
            return run.Fail("reading the image back failed" + onBoard + why + ". " + failed);
        case UpdateOutcome::kMismatch:
            return run.Fail("verification failed" + onBoard + "the flash " + Mismatch(report) +
                            ", although the library reported " + why + ". " +
                            ConsoleMessages::MessageText(ids.compareFailed));
        case UpdateOutcome::kSettingsRestoreFailed:
            return run.Fail(
                "the image is written and verified, but writing the saved settings block back failed" +
                onBoard + why);
        case UpdateOutcome::kSettingsMismatch:
            return run.Fail("the image is written and verified, but the settings block put back " +
                            Mismatch(report) + ", although the library reported " + why);
    }
    if (report.settingsKept)
        console.out << "settings block kept: saved before the update, written back and verified\n";
    console.out << ImageName(kind) << ": " << image->size() << " bytes written and verified. "
                << ConsoleMessages::MessageText(ids.success) << "\n"
                << std::flush;
    return kExitDone;
}

}  // namespace tkbctl::cli
