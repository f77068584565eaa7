// The firmware update procedure without its windows: write an image into the board's flash through
// the wrapper, read the same region back and compare it with the image, for the FX3 firmware, the
// FPGA image and a whole-flash (multi) image. The wrapper chooses the addresses and exports for the
// board's identity and applies its size limit and board-type refusals.
//
// A multi image starts at flash address 0 and may reach over the settings block; then the block is
// saved before the image is written and put back (and verified) after the image was verified, so an
// update keeps the board's settings.
//
// Progress comes per phase: the library writes and reads an image in one command exchange each and
// offers no progress of its own; splitting the transfer would change the frames the board sees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "control_core.h"

namespace tkbctl {

enum class FirmwareKind { kFx3, kFpga, kMulti };

enum class UpdatePhase { kSavingSettings, kWriting, kVerifying, kRestoringSettings };

// Told when each phase starts and ends; `bytes` is the phase's whole length.
class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;
    virtual void PhaseStarted(UpdatePhase phase, uint64_t bytes) = 0;
    virtual void PhaseFinished(UpdatePhase phase, uint64_t bytes) = 0;
};

enum class UpdateOutcome {
    kDone,
    kSettingsSaveFailed,  // nothing was written
    kWriteFailed,         // the write operation failed (or was refused)
    kReadBackFailed,
    kMismatch,               // the read-back differs from the image: see firstDifference
    kSettingsRestoreFailed,  // the image is in place, the settings block could not be put back
    kSettingsMismatch,       // the settings block put back reads back differently
};

struct UpdateReport {
    UpdateOutcome outcome = UpdateOutcome::kDone;
    // For a mismatch: the first differing offset (from the start of the image or of the settings
    // block) with the byte expected there and the byte read back.
    size_t firstDifference = 0;
    uint8_t expected = 0;
    uint8_t actual = 0;
    // The image covered the settings block, which was saved and (on kDone) put back.
    bool settingsKept = false;
};

// The control program's messages for one kind: progress text, write or read-back failed, compare
// failed and success (string ids).
struct UpdateMessageIds {
    int progress;
    int writeFailed;
    int compareFailed;
    int success;
};
UpdateMessageIds MessageIdsFor(FirmwareKind kind);

// Flash address of the settings block for the board type, as the wrapper uses it.
uint32_t SettingsBlockAddress(int boardType);
// Whether a multi image of `length` bytes from flash address 0 reaches into the settings block.
bool CoversSettingsBlock(FirmwareKind kind, const BoardIdentity& identity, size_t length);

// The first offset where `a` and `b` differ (both the same length), or their length.
size_t FirstDifference(std::span<const uint8_t> a, std::span<const uint8_t> b);

UpdateReport RunFirmwareUpdate(CTkrUsbControl& control, const BoardIdentity& identity, FirmwareKind kind,
                               std::span<const uint8_t> image, UpdateObserver& observer);

}  // namespace tkbctl
