#include "setting_dialog/update_procedure.h"

#include <optional>
#include <string>
#include <utility>

#include "messages/message_ids.h"
#include "progress_window/msg_dialog.h"
#include "ui/wait_cursor.h"

namespace tkbctl {

namespace {

constexpr const char* kFileDialogTitle = "Open File";
constexpr const char* kFx3Filter = "Update File (*.img)|*.img|";
constexpr const char* kFpgaFilter = "Update File (*.bin)|*.bin|";

// The procedure is one blocking call on the window's thread; the progress window is all the user
// sees of it, so the library's transfer progress has nowhere to go.
class Unobserved final : public UpdateObserver {
public:
    void PhaseStarted(UpdatePhase, uint64_t) override {}
    void PhaseProgress(UpdatePhase, uint64_t, uint64_t) override {}
    void PhaseFinished(UpdatePhase, uint64_t) override {}
};

ui::Message Warning(int stringId) {
    return ui::Message::FromId(stringId, ui::MessageIcon::Warning);
}

// The question before anything is written: Yes/No for the FX3 firmware, OK/Cancel otherwise. Only
// the answer that agrees goes on; a box that could not be shown does not.
bool Confirmed(ui::DialogView& view, FirmwareKind kind) {
    ui::Message question = Warning(IDS_CONFIRM_UPDATE_FPGA);
    ui::Answer agrees = ui::Answer::Ok;
    question.buttons = ui::MessageButtons::OkCancel;
    if (kind == FirmwareKind::kFx3) {
        question = ui::Message::FromId(IDS_CONFIRM_UPDATE_FX3, ui::MessageIcon::Question);
        question.buttons = ui::MessageButtons::YesNo;
        agrees = ui::Answer::Yes;
    }
    return view.ShowMessage(question) == agrees;
}

// The message an outcome ends with; 0 for success.
int FailureMessage(const UpdateReport& report, const UpdateMessageIds& ids) {
    switch (report.outcome) {
        case UpdateOutcome::kDone:
            return 0;
        case UpdateOutcome::kMismatch:
        case UpdateOutcome::kSettingsMismatch:
            return ids.compareFailed;
        case UpdateOutcome::kRefused:
        case UpdateOutcome::kSettingsSaveFailed:
        case UpdateOutcome::kWriteFailed:
        case UpdateOutcome::kReadBackFailed:
        case UpdateOutcome::kSettingsRestoreFailed:
            return ids.writeFailed;
    }
    return ids.writeFailed;
}

// Reads the file, then writes, reads back and compares with the progress window shown; the file,
// the window and both buffers are gone when this returns. Answers the message to end with (0:
// success).
int WriteAndVerify(ui::DialogView& view, CTkrUsbControl& control, const BoardIdentity& identity,
                   SettingDialogServices& services, FirmwareKind kind, std::unique_ptr<ImageFile> file) {
    const UpdateMessageIds ids = MessageIdsFor(kind);
    CMsgDialog progress;
    if (view.CreateModeless(progress)) {
        progress.ShowMessage(ids.progress);
        // Lets the window paint its text before the thread blocks in the transfers.
        view.ProcessPendingMessages();
    }
    ui::WaitCursor wait(view);
    const size_t length = static_cast<size_t>(file->Size());
    // Both buffers are had before the board is touched: a read-back that cannot be stored would
    // otherwise leave a written image unverified.
    const std::unique_ptr<uint8_t[]> image = services.Allocate(length);
    const std::unique_ptr<uint8_t[]> readBack = image ? services.Allocate(length) : nullptr;
    if (!readBack)
        return IDS_UPDATE_OUT_OF_MEMORY;
    if (!file->ReadAll({image.get(), length}))
        return IDS_SETTING_FILE_NOT_OPENED;
    file.reset();
    Unobserved unobserved;
    const UpdateReport report = RunFirmwareUpdate(control, identity, kind, {image.get(), length},
                                                  {readBack.get(), length}, unobserved);
    return FailureMessage(report, ids);
}

}  // namespace

bool RunUpdateProcedure(ui::DialogView& view, CTkrUsbControl& control, const BoardIdentity& identity,
                        SettingDialogServices& services, FirmwareKind kind) {
    const std::optional<std::string> path = view.OpenFile(ui::FileDialogOptions{
        kFileDialogTitle, kind == FirmwareKind::kFx3 ? kFx3Filter : kFpgaFilter,
        ui::kFileMustExist | ui::kHideReadOnly | ui::kNoChangeDir | ui::kOverwritePrompt});
    if (!path)
        return false;
    std::unique_ptr<ImageFile> file = services.OpenImageFile(*path);
    if (!file) {
        view.ShowMessage(Warning(IDS_SETTING_FILE_NOT_OPENED));
        return false;
    }
    if (TooLargeForFlash(kind, identity, file->Size())) {
        view.ShowMessage(Warning(IDS_IMAGE_TOO_LARGE_FOR_FLASH));
        return false;
    }
    if (!Confirmed(view, kind))
        return false;
    const int failure = WriteAndVerify(view, control, identity, services, kind, std::move(file));
    if (failure != 0) {
        view.ShowMessage(Warning(failure));
        return false;
    }
    view.ShowMessage(ui::Message::FromId(MessageIdsFor(kind).success, ui::MessageIcon::Information));
    return true;
}

}  // namespace tkbctl
