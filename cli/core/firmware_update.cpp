#include "firmware_update.h"

#include <algorithm>
#include <vector>

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

}  // namespace

UpdateMessageIds MessageIdsFor(FirmwareKind kind) {
    if (kind == FirmwareKind::kFx3)
        return {12007, 10013, 10016, 12008};
    return {12009, 10017, 10018, 12010};
}

uint32_t SettingsBlockAddress(int boardType) {
    switch (boardType) {
        case 3:
            return 0x070000;
        case 10:
            return 0xFF0000;
        default:
            return 0x1F0000;
    }
}

bool CoversSettingsBlock(FirmwareKind kind, const BoardIdentity& identity, size_t length) {
    return kind == FirmwareKind::kMulti && length > SettingsBlockAddress(identity.boardType);
}

size_t FirstDifference(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

UpdateReport RunFirmwareUpdate(CTkrUsbControl& control, const BoardIdentity& identity, FirmwareKind kind,
                               std::span<const uint8_t> image, UpdateObserver& observer) {
    UpdateReport report;
    SettingsBlock saved{};
    report.settingsKept = CoversSettingsBlock(kind, identity, image.size());
    if (report.settingsKept) {
        observer.PhaseStarted(UpdatePhase::kSavingSettings, saved.size());
        if (!control.ReadSettingsFromBoard(static_cast<uint32_t>(saved.size()), saved.data())) {
            report.outcome = UpdateOutcome::kSettingsSaveFailed;
            return report;
        }
        observer.PhaseFinished(UpdatePhase::kSavingSettings, saved.size());
    }

    observer.PhaseStarted(UpdatePhase::kWriting, image.size());
    if (!Write(control, kind, image)) {
        report.outcome = UpdateOutcome::kWriteFailed;
        return report;
    }
    observer.PhaseFinished(UpdatePhase::kWriting, image.size());

    observer.PhaseStarted(UpdatePhase::kVerifying, image.size());
    std::vector<uint8_t> readBack(image.size());
    if (!ReadBack(control, kind, readBack)) {
        report.outcome = UpdateOutcome::kReadBackFailed;
        return report;
    }
    if (!Same(image, readBack, report)) {
        report.outcome = UpdateOutcome::kMismatch;
        return report;
    }
    observer.PhaseFinished(UpdatePhase::kVerifying, image.size());

    if (report.settingsKept) {
        // The image overwrote the whole block, so the whole block goes back.
        observer.PhaseStarted(UpdatePhase::kRestoringSettings, saved.size());
        SettingsBlock check{};
        if (!control.WriteSettingsToBoard(static_cast<uint32_t>(saved.size()), saved.data()) ||
            !control.ReadSettingsFromBoard(static_cast<uint32_t>(check.size()), check.data())) {
            report.outcome = UpdateOutcome::kSettingsRestoreFailed;
            return report;
        }
        if (!Same(saved, check, report)) {
            report.outcome = UpdateOutcome::kSettingsMismatch;
            return report;
        }
        observer.PhaseFinished(UpdatePhase::kRestoringSettings, saved.size());
    }
    return report;
}

}  // namespace tkbctl
