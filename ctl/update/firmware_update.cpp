#include "update/firmware_update.h"

#include <algorithm>
#include <vector>

#include "board/board_models.h"
#include "settings/tkb_setting.h"
#include "tkr/protocol.h"

namespace tkbctl {

namespace {

bool Write(CTkrUsbControl& control, FirmwareKind kind, std::span<const uint8_t> image) {
    const uint32_t length = static_cast<uint32_t>(image.size());
    switch (kind) {
        case FirmwareKind::kFx3:
            return control.UpdateFX3(length, image.data());
        case FirmwareKind::kFpga:
            return control.UpdateFPGA(length, image.data());
        case FirmwareKind::kMulti:
            return control.UpdateMulti(length, image.data());
    }
    return false;
}

bool ReadBack(CTkrUsbControl& control, FirmwareKind kind, std::span<uint8_t> buffer) {
    const uint32_t length = static_cast<uint32_t>(buffer.size());
    switch (kind) {
        case FirmwareKind::kFx3:
            return control.ReadBackFX3(length, buffer.data());
        case FirmwareKind::kFpga:
            return control.ReadBackFPGA(length, buffer.data());
        case FirmwareKind::kMulti:
            return control.ReadBackMulti(length, buffer.data());
    }
    return false;
}

// Fills in the mismatch of a report when the two differ; true when they are the same.
bool Same(std::span<const uint8_t> expected, std::span<const uint8_t> actual, UpdateReport& report) {
    const size_t at = FirstDifference(expected, actual);
    if (at == expected.size())
        return true;
    report.firstDifference = at;
    report.expected = expected[at];
    report.actual = actual[at];
    return false;
}

// The wrapper ends every operation with a close, whose result replaces the open's: the reason a
// phase failed is asked of the board once more. A close follows only an open that worked, so the
// open flag of a process that holds the board stays as it is.
int32_t WhyItFailed(CTkrUsbControl& control) {
    if (!control.OpenBoard())
        return control.LastResult();
    const int32_t opened = control.LastResult();
    control.CloseBoard();
    return opened;
}

// A settings transfer between an open and a close of its own, so that the library's result of the
// transfer itself is kept (the bracketed operations end with their close's). Returns the first
// result that was not success. A failed open is not followed by a close, for the reason above.
template <typename Transfer>
int32_t SettingsTransfer(CTkrUsbControl& control, Transfer transfer) {
    if (!control.OpenBoard())
        return control.LastResult();
    const int32_t result = transfer() ? TKRUSB20_RET_SUCCESS : control.LastResult();
    const bool closed = control.CloseBoard();
    if (result != TKRUSB20_RET_SUCCESS)
        return result;
    return closed ? TKRUSB20_RET_SUCCESS : control.LastResult();
}

// Passes the library's progress of the image transfers to the observer, for the time of one
// update; the library keeps one callback per process, which this takes and gives back.
class TransferProgress {
public:
    TransferProgress(CTkrUsbControl& control, UpdateObserver& observer)
        : control_(control), observer_(observer) {
        control_.SetTransferProgress(&TransferProgress::Moved, this);
    }
    ~TransferProgress() { control_.SetTransferProgress(nullptr, nullptr); }
    TransferProgress(const TransferProgress&) = delete;
    TransferProgress& operator=(const TransferProgress&) = delete;

    void Enter(UpdatePhase phase) { phase_ = phase; }

private:
    // Called inside the library's exchange: it only tells the observer, it calls no export.
    static void TKR50API_CALL Moved(void* context, uint32_t, uint32_t done, uint32_t total) {
        auto* self = static_cast<TransferProgress*>(context);
        self->observer_.PhaseProgress(self->phase_, done, total);
    }

    CTkrUsbControl& control_;
    UpdateObserver& observer_;
    UpdatePhase phase_ = UpdatePhase::kWriting;
};

}  // namespace

UpdateMessageIds MessageIdsFor(FirmwareKind kind) {
    if (kind == FirmwareKind::kFx3)
        return {12007, 10013, 10016, 12008};
    return {12009, 10017, 10018, 12010};
}

bool CoversSettingsBlock(FirmwareKind kind, const BoardIdentity& identity, size_t length) {
    return kind == FirmwareKind::kMulti && length > FlashModelOf(identity).settingsAddress;
}

bool RefusedByWrapper(FirmwareKind kind, const BoardIdentity& identity, size_t length) {
    return !FlashModelOf(identity).hasUpdatePath ||
           (kind == FirmwareKind::kFpga && length > CTkrUsbControl::kMaxFpgaImage);
}

namespace {

// The flash address space the library reaches: 24-bit addresses and lengths.
constexpr uint64_t kFlashEnd = 0x1000000;
constexpr uint32_t kMaxTransferLength = 0xFFFFFF;

uint32_t Fx3Address(const BoardModel& model) {
    switch (model.fx3) {
        case Fx3Image::Standard:
            return tkr::kFlashFx3Image;
        case Fx3Image::Upper:
            return tkr::kFlashFx3ImageUpper;
        case Fx3Image::HighFlash:
            return kHighFlashFx3Address;
    }
    return tkr::kFlashFx3Image;
}

uint32_t FpgaAddress(const BoardModel& model) {
    return model.fpga == FpgaImage::Upper ? tkr::kFlashFpgaImageUpper : tkr::kFlashFpgaImage;
}

}  // namespace

uint32_t FlashRoomFor(FirmwareKind kind, const BoardIdentity& identity) {
    if (kind == FirmwareKind::kMulti)
        return kMaxTransferLength;
    const BoardModel& model = FlashModelOf(identity);
    const uint32_t start = kind == FirmwareKind::kFx3 ? Fx3Address(model) : FpgaAddress(model);
    uint64_t end = kFlashEnd;
    for (const uint64_t next :
         {uint64_t{Fx3Address(model)}, uint64_t{FpgaAddress(model)}, uint64_t{model.settingsAddress}}) {
        if (next > start)
            end = std::min(end, next);
    }
    return static_cast<uint32_t>(std::min<uint64_t>(end - start, kMaxTransferLength));
}

bool TooLargeForFlash(FirmwareKind kind, const BoardIdentity& identity, uint64_t length) {
    if (length > kMaxTransferLength)
        return true;
    if (length <= FlashRoomFor(kind, identity))
        return false;
    return !RefusedByWrapper(kind, identity, static_cast<size_t>(length));
}

size_t FirstDifference(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

UpdateReport RunFirmwareUpdate(CTkrUsbControl& control, const BoardIdentity& identity, FirmwareKind kind,
                               std::span<const uint8_t> image, UpdateObserver& observer) {
    std::vector<uint8_t> readBack(image.size());
    return RunFirmwareUpdate(control, identity, kind, image, readBack, observer);
}

UpdateReport RunFirmwareUpdate(CTkrUsbControl& control, const BoardIdentity& identity, FirmwareKind kind,
                               std::span<const uint8_t> image, std::span<uint8_t> readBack,
                               UpdateObserver& observer) {
    UpdateReport report;
    auto failed = [&](UpdateOutcome outcome) {
        report.outcome = outcome;
        report.result = WhyItFailed(control);
        return report;
    };
    auto settingsFailed = [&](UpdateOutcome outcome, int32_t result) {
        report.outcome = outcome;
        report.result = result;
        return report;
    };
    SettingsBlock saved{};
    const uint32_t blockLength = static_cast<uint32_t>(saved.size());
    report.settingsKept = CoversSettingsBlock(kind, identity, image.size());
    if (report.settingsKept) {
        observer.PhaseStarted(UpdatePhase::kSavingSettings, saved.size());
        const int32_t read =
            SettingsTransfer(control, [&] { return control.ReadSettings(blockLength, saved.data()); });
        if (read != TKRUSB20_RET_SUCCESS)
            return settingsFailed(UpdateOutcome::kSettingsSaveFailed, read);
        observer.PhaseFinished(UpdatePhase::kSavingSettings, saved.size());
    }

    TransferProgress progress(control, observer);
    progress.Enter(UpdatePhase::kWriting);
    observer.PhaseStarted(UpdatePhase::kWriting, image.size());
    if (!Write(control, kind, image)) {
        if (RefusedByWrapper(kind, identity, image.size())) {
            report.outcome = UpdateOutcome::kRefused;
            return report;
        }
        return failed(UpdateOutcome::kWriteFailed);
    }
    observer.PhaseFinished(UpdatePhase::kWriting, image.size());

    progress.Enter(UpdatePhase::kVerifying);
    observer.PhaseStarted(UpdatePhase::kVerifying, image.size());
    const std::span<uint8_t> back = readBack.first(image.size());
    if (!ReadBack(control, kind, back))
        return failed(UpdateOutcome::kReadBackFailed);
    if (!Same(image, back, report)) {
        report.outcome = UpdateOutcome::kMismatch;
        report.result = control.LastResult();
        return report;
    }
    observer.PhaseFinished(UpdatePhase::kVerifying, image.size());

    if (report.settingsKept) {
        // The image overwrote the whole block, so the whole block goes back.
        observer.PhaseStarted(UpdatePhase::kRestoringSettings, saved.size());
        SettingsBlock check{};
        const int32_t restored = SettingsTransfer(control, [&] {
            return control.WriteSettings(blockLength, saved.data()) &&
                   control.ReadSettings(blockLength, check.data());
        });
        if (restored != TKRUSB20_RET_SUCCESS)
            return settingsFailed(UpdateOutcome::kSettingsRestoreFailed, restored);
        if (!Same(saved, check, report)) {
            report.outcome = UpdateOutcome::kSettingsMismatch;
            return report;
        }
        observer.PhaseFinished(UpdatePhase::kRestoringSettings, saved.size());
    }
    return report;
}

}  // namespace tkbctl
