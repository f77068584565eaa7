// The layout of a board file: everything a virtual board remembers, shared through a memory mapping
// by every process that uses the board folder. Fixed-width fields only, so that 32- and 64-bit
// builds on Linux and Windows read the same bytes; the layout version changes whenever a field
// moves.
//
// Nothing here may be trusted blindly: the file is shared and may be damaged by anyone, so every
// count and offset read from it is bounded where it is used (see the accessors in board_model.h).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

#include "tkbsim/models.h"

namespace tkbsim::state {

static_assert(std::endian::native == std::endian::little, "board files are little-endian");

inline constexpr char kMagic[8] = {'T', 'K', 'B', 'S', 'I', 'M', 'B', '\x1A'};
inline constexpr uint32_t kLayoutVersion = 1;

inline constexpr uint32_t kReplyMessageCapacity = 4;
// A status byte and a 16-bit count of data bytes, plus the closing status of a boot-memory read.
inline constexpr uint32_t kReplyByteCapacity = 1 + 0xFFFF + 16;
inline constexpr uint32_t kRegisterCapacity = 1024;
inline constexpr uint32_t kI2CDeviceCapacity = 4;
inline constexpr uint32_t kI2CRegisterFileMax = 0x10000;
inline constexpr uint32_t kLogCapacity = 4096;
inline constexpr uint32_t kLogHeadBytes = 48;
inline constexpr uint32_t kVersionBytes = 16;

struct Header {
    char magic[8];
    uint32_t layoutVersion;
    uint32_t headerSize;
    uint64_t fileSize;
    uint32_t modelId;
    uint16_t usbRelease;
    uint8_t plugged;
    uint8_t ownLetters;   // 1: the FPGA identifies with letters[], not with the model's letters
    uint32_t connection;  // counts plug-ins: a handle opened on an earlier connection is dead
    uint32_t restarts;
    uint8_t version[kVersionBytes];
    uint32_t opens;   // handles opened on the board, on any connection
    char letters[4];  // letters A to D when ownLetters is set
};
static_assert(sizeof(Header) == 64);

struct Faults {
    uint32_t statusCount;  // the next statusCount commands answer `status` and do nothing
    uint32_t status;
    uint32_t errorCount;  // the next errorCount driver requests fail with `error`
    uint32_t error;
    uint32_t cutArmed;  // the next reply message is cut to cutLength bytes
    uint32_t cutLength;
    uint32_t missingEndpoint;  // 0, or the endpoint address the pipe list leaves out
    uint32_t badFlashStart;    // flash range that acknowledges writes but keeps its old contents
    uint32_t badFlashLength;
    uint32_t refuseArmed;  // every frame of command code refusedCommand answers refusedStatus
    uint32_t refusedCommand;
    uint32_t refusedStatus;
    uint32_t openLimitArmed;  // only opensLeft more opens succeed
    uint32_t opensLeft;
    uint32_t reserved[2];
};
static_assert(sizeof(Faults) == 64);

enum FrameKind : uint32_t {
    kFrameCommand = 0,
    kFrameImageData = 1,  // the data phase that follows a boot-memory program header
};

struct Receiver {
    uint32_t inFrame;  // bytes of a frame have arrived and its transfer has not ended
    uint32_t kind;     // FrameKind
    uint32_t length;   // bytes received in this frame
    uint32_t pid;      // process that sent the first request of the frame
    uint8_t header[12];
    uint32_t headerLength;     // bytes of header[] received
    uint32_t target;           // flash address, FPGA register address or I2C device slot
    uint32_t payloadExpected;  // data bytes the frame announced
    uint32_t payloadReceived;
    uint32_t status;        // first failure met while receiving; 0 while all is well
    uint32_t imagePending;  // a boot-memory header announced image data as the next frame
    uint32_t imageAddress;
    uint32_t imageLength;
    uint32_t imageStatus;  // status the image data frame answers; non-zero: data dropped
    uint32_t effects;      // side effects the frame's FPGA writes asked for (EffectBits)
    uint32_t reserved[3];
    uint8_t head[kLogHeadBytes];
};
static_assert(sizeof(Receiver) == 128);

enum MessageSource : uint32_t { kFromReplyBytes = 0, kFromFlash = 1 };

struct ReplyMessage {
    uint32_t source;  // MessageSource
    uint32_t offset;  // into Replies::bytes, or a flash address
    uint32_t length;
    uint32_t consumed;
};

struct Replies {
    uint32_t count;
    uint32_t bytesUsed;
    uint32_t reserved[2];
    ReplyMessage messages[kReplyMessageCapacity];
    uint8_t bytes[kReplyByteCapacity];
};

// The entries in use of a table of the board file. Its count is clamped to the table's capacity: the
// file is shared and may have been damaged.
template <class Entry, uint32_t kCapacity>
std::span<Entry> InUse(Entry (&entries)[kCapacity], uint32_t count) {
    return {entries, std::min(count, kCapacity)};
}

enum RegisterFlags : uint32_t { kRegisterReadOnly = 1 };

struct Register {
    uint32_t address;
    uint32_t value;
    uint32_t flags;
    uint32_t reserved;
};

struct Registers {
    uint32_t count;
    uint32_t reserved[3];
    Register entries[kRegisterCapacity];
};

struct I2CDevice {
    uint8_t address;          // 7-bit slave address
    uint8_t subAddressBytes;  // 1 or 2
    uint8_t camera;           // powered and reset through the camera control register
    uint8_t pointerBytes;     // sub-address bytes received in the current write
    uint32_t pointer;         // register pointer
    uint32_t size;            // 256 or 65536 registers
    uint32_t reserved;
    uint8_t registers[kI2CRegisterFileMax];
};

struct I2CBus {
    uint32_t count;
    uint32_t reserved[3];
    I2CDevice devices[kI2CDeviceCapacity];
};

struct LogEntry {
    uint64_t sequence;
    uint32_t pid;
    uint32_t length;
    uint32_t kind;  // FrameKind
    uint32_t reserved;
    uint8_t head[kLogHeadBytes];
};
static_assert(sizeof(LogEntry) == 72);

struct FrameLog {
    uint64_t total;  // frames logged since the log was last cleared; entry i lives at i % capacity
    uint64_t reserved;
    LogEntry entries[kLogCapacity];
};

// Everything but the flash, which follows at kFlashOffset.
struct BoardControl {
    Header header;
    Faults faults;
    Receiver receiver;
    Replies replies;
    Registers registers;
    I2CBus bus;
    FrameLog log;
};

// The letters A to D the board's FPGA answers: its own when it was made with them, else its model's.
// Files made before boards had letters of their own hold 0 in ownLetters.
inline const char (&IdentificationLetters(const Header& header, const ModelInfo& model))[4] {
    return header.ownLetters ? header.letters : model.letters;
}

inline constexpr uint64_t kFlashOffset = (sizeof(BoardControl) + 4095) / 4096 * 4096;
inline constexpr uint64_t kFileSize = kFlashOffset + kFlashSize;

// Offsets pinned so that the 32-bit and 64-bit builds, native and Windows, agree.
static_assert(offsetof(BoardControl, faults) == 64);
static_assert(offsetof(BoardControl, receiver) == 128);
static_assert(offsetof(BoardControl, replies) == 256);
static_assert(sizeof(Replies) == 65632);
static_assert(sizeof(I2CDevice) == 65552);
static_assert(sizeof(BoardControl) ==
              256 + 65632 + 16 + 16 * kRegisterCapacity + 16 + 4 * 65552 + 16 + 72 * kLogCapacity);

}  // namespace tkbsim::state
