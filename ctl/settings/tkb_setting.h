// TKBSetting: the board settings record and the 512-byte settings block it is kept in on the board.
//
// The block starts with a table of 16 (id, value) register pairs, then a UVC part (format, frame
// rate, board ID, colour GUID) guarded by a marker and a checksum, a clipping window, and on the
// timing-generator board a timing area. Bytes the program does not interpret are carried through:
// decoded into `RawImage`/`TimingArea` and encoded back unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "board/board_identity.h"
#include "board/tkr_usb_control.h"
#include "ini/ini_handler.h"
#include "messages/message_sink.h"

namespace tkbctl {

constexpr size_t kSettingsBlockSize = 512;
constexpr size_t kTimingAreaOffset = 0x100;
constexpr size_t kTimingAreaSize = 256;

using SettingsBlock = std::array<uint8_t, kSettingsBlockSize>;
using UvcGuid = std::array<uint8_t, 16>;

// The UYVY video subtype GUID in its memory layout: the format when no colour entry applies.
constexpr UvcGuid kUyvyGuid = {0x55, 0x59, 0x56, 0x59, 0x00, 0x00, 0x10, 0x00,
                               0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct TKBSetting {
    // The block as last decoded or encoded; bytes 0-31 are not used.
    std::array<uint8_t, kSettingsBlockSize> RawImage{};

    // The register table, in its fixed order.
    uint8_t CKINOutSelect = 0;
    uint8_t CKINOutDivide = 0;
    uint8_t ColorSpaceSelect = 0;
    uint8_t ITU_BT656Mode = 0;
    uint8_t PolarityOfDE = 0;
    uint8_t PolarityOfPixelClockEdge = 0;
    uint8_t PolarityOfHSync = 0;
    uint8_t PolarityOfVSync = 0;
    uint8_t CSSwapMode = 0;
    uint8_t EndianBitShift = 3;
    uint8_t DEInputMode = 0;
    uint8_t Decimation = 0;
    uint8_t HDMIRange = 0;
    uint8_t SW1Function = 0;
    uint8_t I2CFrequency = 6;
    uint8_t I2CDelay = 20;

    // UVC part. UVC_Color is an index into the program INI file's colour list; -1 = none selected.
    int32_t UVC_Height = 720;
    int32_t UVC_Width = 1280;
    int32_t UVC_Color = 0;
    std::string UVC_FPS = "30";  // frames per second as the user sees it, up to 127 characters
    int32_t UVC_BoardID = 0;

    // Clipping part; ClipEnable is 0 or 1.
    int32_t ClipX0 = 0;
    int32_t ClipWidth = 8191;
    int32_t ClipY0 = 0;
    int32_t ClipHeight = 8191;
    int32_t ClipEnable = 0;

    // Block bytes 0x100-0x1FF; filled by the first Decode.
    std::array<uint8_t, kTimingAreaSize> TimingArea{};

    // Fills the record from `length` bytes of a block (normally 512). Returns 0, or -1 when
    // `length` < 32 (nothing changed). Fields whose data the block does not carry keep their values.
    int Decode(const uint8_t* block, size_t length);

    // Writes the record as a block of `length` bytes (normally 512; the caller zero-fills it) and
    // keeps the image in RawImage. Returns 0, or -1 when `length` < 32 (nothing written).
    // `colourGuid` is the colour list's answer for UVC_Color (see ColourGuid).
    int Encode(uint8_t* block, size_t length, const UvcGuid& colourGuid);

    // The GUID a block carries for colour list entry `index`: the entry's own, or UYVY when the
    // list does not give a usable one.
    static UvcGuid ColourGuid(const CIniSection& colourList, int32_t index);

    // The colour list entry `index` of the program INI file (read afresh): 0 with the 16 GUID
    // bytes and the name cut to `nameCapacity` characters; -1 for a negative index, -2 when its
    // name or GUID is missing or empty, -3 when the GUID text does not give exactly 16 values.
    // The outputs change only on 0.
    static int LookupUvcColor(int32_t index, UvcGuid& guid, std::string& name, size_t nameCapacity = 127);
    // The same, from the given section and file.
    static int LookupUvcColor(const CIniSection& colourList, int32_t index, UvcGuid& guid, std::string& name,
                              size_t nameCapacity = 127);

    // The frame rate code of the block for an FPS text: thousandths when the text has a ".",
    // otherwise the whole number. Exact decimal arithmetic, kept to its low 16 bits.
    static uint16_t FpsCode(const std::string& fpsText);
    // The FPS text for a block's code: "%d" up to 120, thousandths with three decimals above.
    static std::string FpsText(uint16_t code);
};

// The main dialog's steps around the settings dialog, with its transfer buffer.
//
// Reads the block from the board and decodes it. On a failed read shows message 10011, leaves the
// record unchanged and returns false: the settings dialog must not be shown.
bool LoadSettings(CTkrUsbControl& control, MessageSink& messages, TKBSetting& setting,
                  SettingsBlock& transfer);

// Encodes the record, with the colour GUID from the program INI file's colour list, and writes it
// to the board: all 512 bytes on the "TKD-20", the first 256 on
// every other model. On a failed write shows message 10012 and returns false; the record keeps the
// user's values. Then waits 200 ms so the board settles before the next request; the caller shows
// the wait cursor around the whole step.
bool SaveSettings(CTkrUsbControl& control, MessageSink& messages, const BoardIdentity& identity,
                  TKBSetting& setting, SettingsBlock& transfer);

// How many bytes a save writes for a board model.
uint32_t SettingsWriteLength(const BoardIdentity& identity);

}  // namespace tkbctl
