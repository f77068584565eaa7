// The firmware update procedure without its windows: write an image into the board's flash through
// the wrapper, read the same region back and compare it with the image, for the FX3 firmware, the
// FPGA image and a whole-flash (multi) image. The wrapper chooses the addresses and exports for the
// board's identity and applies its size limit and board-type refusals; the settings dialog's
// update buttons and tkb's update command both run it.
//
// A multi image starts at flash address 0 and may reach over the settings block; then the block is
// saved before the image is written and put back (and verified) after the image was verified, so an
// update keeps the board's settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "board/board_identity.h"
#include "board/tkr_usb_control.h"

namespace tkbctl {

enum class FirmwareKind { kFx3, kFpga, kMulti };

enum class UpdatePhase { kSavingSettings, kWriting, kVerifying, kRestoringSettings };

// Told when each phase starts and ends; `bytes` is the phase's whole length. Writing and verifying
// also hear how far the library has moved the image, as often as it says (about every 64 KiB);
// the settings block moves in one transfer and gets no progress of its own.
class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;
    virtual void PhaseStarted(UpdatePhase phase, uint64_t bytes) = 0;
    virtual void PhaseProgress(UpdatePhase phase, uint64_t done, uint64_t bytes) = 0;
    virtual void PhaseFinished(UpdatePhase phase, uint64_t bytes) = 0;
};

enum class UpdateOutcome {
    kDone,
    kRefused,             // the wrapper refused the image (its message says why); nothing was sent
    kSettingsSaveFailed,  // nothing was written
    kWriteFailed,         // the board did not open for the write
    kReadBackFailed,
    kMismatch,               // the read-back differs from the image: see firstDifference
    kSettingsRestoreFailed,  // the image is in place, the settings block could not be put back
    kSettingsMismatch,       // the settings block put back reads back differently
};

struct UpdateReport {
    UpdateOutcome outcome = UpdateOutcome::kDone;
    // The library's answer behind a failure: the settings transfer's own result; for an image write
    // or read-back that failed, the result of opening the board again right after it (the wrapper
    // reports its close's); for a mismatch, success: the image exports report success whatever the
    // board did, and only the comparison finds the fault.
    int32_t result = 1;
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

// Whether a multi image of `length` bytes from flash address 0 reaches into the board's settings
// block (its address comes from the board model table).
bool CoversSettingsBlock(FirmwareKind kind, const BoardIdentity& identity, size_t length);

// Whether the wrapper refuses an image of `length` bytes of `kind` for the board without sending
// anything: a model without an update path, or an FPGA image over the wrapper's limit.
bool RefusedByWrapper(FirmwareKind kind, const BoardIdentity& identity, size_t length);

// The most bytes an image of `kind` may have on the board: from its flash address up to the next
// region the board keeps there (the other image or the settings block) or the end of the 24-bit
// flash address space. A multi image may cover the whole flash (its settings block is kept, see
// above) and is bounded by the 24-bit length the library sends.
uint32_t FlashRoomFor(FirmwareKind kind, const BoardIdentity& identity);

// Whether an image of `length` bytes reaches beyond its region, so that writing it would overwrite
// what follows or be cut short, or beyond a 24-bit length. Images within 24 bits that the wrapper
// refuses itself, with its own message, are left to it.
bool TooLargeForFlash(FirmwareKind kind, const BoardIdentity& identity, uint64_t length);

// The first offset where `a` and `b` differ (both the same length), or their length.
size_t FirstDifference(std::span<const uint8_t> a, std::span<const uint8_t> b);

UpdateReport RunFirmwareUpdate(CTkrUsbControl& control, const BoardIdentity& identity, FirmwareKind kind,
                               std::span<const uint8_t> image, UpdateObserver& observer);
// The same, reading the image back into `readBack` (as long as the image): the caller secures the
// memory before the board is touched, so that no allocation can fail once the flash is written.
UpdateReport RunFirmwareUpdate(CTkrUsbControl& control, const BoardIdentity& identity, FirmwareKind kind,
                               std::span<const uint8_t> image, std::span<uint8_t> readBack,
                               UpdateObserver& observer);

}  // namespace tkbctl
