#include "settings/tkb_setting.h"

#include "board/board_models.h"
#include "text/characters.h"
#include "tkr/byte_order.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <thread>

namespace tkbctl {
namespace {

constexpr size_t kRegisterTableSize = 32;

constexpr size_t kUvcMarker = 0x80;
constexpr size_t kUvcChecksum = 0x82;
constexpr size_t kUvcWidth = 0x84;
constexpr size_t kUvcHeight = 0x86;
constexpr size_t kUvcFps = 0x88;
constexpr size_t kUvcBoardId = 0x8A;
constexpr size_t kUvcColor = 0x8E;
constexpr size_t kUvcGuid = 0x90;
constexpr size_t kChecksummedEnd = 0xA0;

constexpr size_t kClipMarker = 0xA0;
constexpr size_t kClipX0 = 0xA2;
constexpr size_t kClipY0 = 0xA4;
constexpr size_t kClipWidth = 0xA6;
constexpr size_t kClipHeight = 0xA8;

constexpr uint8_t kValidMark = 0x55;
constexpr uint8_t kClipDisabledMark = 0x11;

// Codes up to this value are whole frames per second; above it, thousandths.
constexpr uint16_t kWholeFpsLimit = 120;

constexpr int kReadFailedMessage = 10011;
constexpr int kWriteFailedMessage = 10012;
constexpr auto kSettleTime = std::chrono::milliseconds(200);

// The register table: ids in the order a block is written, with the field each one carries.
struct RegisterPair {
    uint8_t id;
    uint8_t TKBSetting::*field;
};
constexpr RegisterPair kRegisterTable[] = {
    {0x10, &TKBSetting::CKINOutSelect},    {0x11, &TKBSetting::CKINOutDivide},
    {0x13, &TKBSetting::ColorSpaceSelect}, {0x18, &TKBSetting::ITU_BT656Mode},
    {0x19, &TKBSetting::PolarityOfDE},     {0x1A, &TKBSetting::PolarityOfPixelClockEdge},
    {0x1B, &TKBSetting::PolarityOfHSync},  {0x1C, &TKBSetting::PolarityOfVSync},
    {0x1E, &TKBSetting::CSSwapMode},       {0x1F, &TKBSetting::EndianBitShift},
    {0x20, &TKBSetting::DEInputMode},      {0x21, &TKBSetting::Decimation},
    {0x22, &TKBSetting::HDMIRange},        {0x23, &TKBSetting::SW1Function},
    {0x24, &TKBSetting::I2CFrequency},     {0x25, &TKBSetting::I2CDelay},
};

// One GUID byte from a token: hexadecimal with an optional "0x" prefix, read like strtoul would
// (leading blanks, a sign, digits up to the first other character). Only the low 8 bits are kept,
// so they are taken exactly whatever the token's length.
uint8_t GuidByte(std::string_view token) {
    size_t i = 0;
    while (i < token.size() && IsCSpace(token[i])) {
        ++i;
    }
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    if (i + 2 < token.size() && token[i] == '0' && (token[i + 1] == 'x' || token[i + 1] == 'X') &&
        HexDigit(token[i + 2]) >= 0) {
        i += 2;
    }
    uint8_t value = 0;
    for (; i < token.size() && HexDigit(token[i]) >= 0; ++i) {
        value = static_cast<uint8_t>((value << 4) | HexDigit(token[i]));
    }
    return negative ? static_cast<uint8_t>(0u - value) : value;
}

}  // namespace

int TKBSetting::Decode(const uint8_t* block, size_t length) {
    if (length < kRegisterTableSize) {
        return -1;
    }
    for (size_t offset = 0; offset < kRegisterTableSize; offset += 2) {
        for (const RegisterPair& pair : kRegisterTable) {
            if (block[offset] == pair.id) {
                this->*pair.field = block[offset + 1];
            }
        }
    }
    const size_t end = std::min(length, kSettingsBlockSize);
    std::copy(block + kRegisterTableSize, block + end, RawImage.begin() + kRegisterTableSize);

    const uint8_t* image = RawImage.data();
    if (image[kUvcMarker] == kValidMark && image[kUvcMarker + 1] == kValidMark) {
        UVC_Width = tkr::ReadLe16(image + kUvcWidth);
        UVC_Height = tkr::ReadLe16(image + kUvcHeight);
        UVC_BoardID = tkr::ReadLe16(image + kUvcBoardId);
        UVC_Color = tkr::ReadLe16(image + kUvcColor);
        UVC_FPS = FpsText(tkr::ReadLe16(image + kUvcFps));
    }
    const uint8_t clipMark = image[kClipMarker];
    if ((clipMark == kValidMark || clipMark == kClipDisabledMark) && image[kClipMarker + 1] == clipMark) {
        ClipEnable = clipMark == kValidMark ? 1 : 0;
        ClipX0 = tkr::ReadLe16(image + kClipX0);
        ClipY0 = tkr::ReadLe16(image + kClipY0);
        ClipWidth = tkr::ReadLe16(image + kClipWidth);
        ClipHeight = tkr::ReadLe16(image + kClipHeight);
    }
    if (end > kTimingAreaOffset) {
        std::copy(image + kTimingAreaOffset, image + end, TimingArea.begin());
    }
    return 0;
}

int TKBSetting::Encode(uint8_t* block, size_t length, const UvcGuid& colourGuid) {
    if (length < kRegisterTableSize) {
        return -1;
    }
    size_t offset = 0;
    for (const RegisterPair& pair : kRegisterTable) {
        block[offset++] = pair.id;
        block[offset++] = this->*pair.field;
    }

    uint8_t* image = RawImage.data();
    image[kUvcMarker] = kValidMark;
    image[kUvcMarker + 1] = kValidMark;
    tkr::WriteLe16(image + kUvcWidth, static_cast<uint16_t>(UVC_Width));
    tkr::WriteLe16(image + kUvcHeight, static_cast<uint16_t>(UVC_Height));
    tkr::WriteLe16(image + kUvcFps, FpsCode(UVC_FPS));
    tkr::WriteLe16(image + kUvcBoardId, static_cast<uint16_t>(UVC_BoardID));
    tkr::WriteLe16(image + kUvcColor, static_cast<uint16_t>(UVC_Color));
    std::copy(colourGuid.begin(), colourGuid.end(), image + kUvcGuid);
    uint16_t sum = 0;
    for (size_t i = kUvcWidth; i < kChecksummedEnd; ++i) {
        sum = static_cast<uint16_t>(sum + image[i]);
    }
    tkr::WriteLe16(image + kUvcChecksum, static_cast<uint16_t>(~sum));

    const uint8_t clipMark = ClipEnable != 0 ? kValidMark : kClipDisabledMark;
    image[kClipMarker] = clipMark;
    image[kClipMarker + 1] = clipMark;
    tkr::WriteLe16(image + kClipX0, static_cast<uint16_t>(ClipX0));
    tkr::WriteLe16(image + kClipY0, static_cast<uint16_t>(ClipY0));
    tkr::WriteLe16(image + kClipWidth, static_cast<uint16_t>(ClipWidth));
    tkr::WriteLe16(image + kClipHeight, static_cast<uint16_t>(ClipHeight));

    const size_t imageEnd = std::min(length, kTimingAreaOffset);
    std::copy(image + kRegisterTableSize, image + imageEnd, block + kRegisterTableSize);
    if (length > kTimingAreaOffset) {
        const size_t timingBytes = std::min(length, kSettingsBlockSize) - kTimingAreaOffset;
        std::copy(TimingArea.begin(), TimingArea.begin() + timingBytes, block + kTimingAreaOffset);
    }
    return 0;
}

UvcGuid TKBSetting::ColourGuid(const CIniSection& colourList, int32_t index) {
    UvcGuid guid;
    std::string name;
    return LookupUvcColor(colourList, index, guid, name) == 0 ? guid : kUyvyGuid;
}

int TKBSetting::LookupUvcColor(int32_t index, UvcGuid& guid, std::string& name, size_t nameCapacity) {
    return LookupUvcColor(ProgramIniFile(), index, guid, name, nameCapacity);
}

int TKBSetting::LookupUvcColor(const CIniSection& colourList, int32_t index, UvcGuid& guid, std::string& name,
                               size_t nameCapacity) {
    if (index < 0) {
        return -1;
    }
    const std::string number = std::to_string(index);
    const std::string colourName = colourList.GetString("ColorName" + number, "");
    const std::string guidText = colourList.GetString("ColorGUID" + number, "");
    if (colourName.empty() || guidText.empty()) {
        return -2;
    }
    UvcGuid bytes{};
    size_t count = 0;
    size_t tokenStart = 0;
    for (;;) {
        const size_t comma = guidText.find(',', tokenStart);
        const size_t tokenEnd = comma == std::string::npos ? guidText.size() : comma;
        // Values past the 16th are counted, never stored.
        if (count < bytes.size()) {
            bytes[count] = GuidByte(std::string_view(guidText).substr(tokenStart, tokenEnd - tokenStart));
        }
        ++count;
        if (comma == std::string::npos) {
            break;
        }
        tokenStart = comma + 1;
    }
    if (count != bytes.size()) {
        return -3;
    }
    guid = bytes;
    name = colourName.substr(0, nameCapacity);
    return 0;
}

uint16_t TKBSetting::FpsCode(const std::string& fpsText) {
    // Like atof/atoi: leading blanks, a sign, then digits. The value is built exactly in wrapping
    // unsigned arithmetic; only its low 16 bits are stored, so wrapping loses nothing.
    const bool thousandths = fpsText.find('.') != std::string::npos;
    size_t i = 0;
    while (i < fpsText.size() && IsCSpace(fpsText[i])) {
        ++i;
    }
    bool negative = false;
    if (i < fpsText.size() && (fpsText[i] == '+' || fpsText[i] == '-')) {
        negative = fpsText[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < fpsText.size() && fpsText[i] >= '0' && fpsText[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint32_t>(fpsText[i] - '0');
    }
    if (thousandths) {
        // Three decimals count; further ones are cut off (truncation toward zero).
        uint32_t fraction = 0;
        int decimals = 0;
        if (i < fpsText.size() && fpsText[i] == '.') {
            for (++i; i < fpsText.size() && fpsText[i] >= '0' && fpsText[i] <= '9'; ++i) {
                if (decimals < 3) {
                    fraction = fraction * 10 + static_cast<uint32_t>(fpsText[i] - '0');
                    ++decimals;
                }
            }
        }
        for (; decimals < 3; ++decimals) {
            fraction *= 10;
        }
        value = value * 1000 + fraction;
    }
    return static_cast<uint16_t>(negative ? 0u - value : value);
}

std::string TKBSetting::FpsText(uint16_t code) {
    char text[16];
    if (code <= kWholeFpsLimit) {
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(code));
    } else {
        std::snprintf(text, sizeof text, "%u.%03u", static_cast<unsigned>(code / 1000),
                      static_cast<unsigned>(code % 1000));
    }
    return text;
}

uint32_t SettingsWriteLength(const BoardIdentity& identity) {
    return ModelNamedLike(identity).settingsWriteLength;
}

bool LoadSettings(CTkrUsbControl& control, MessageSink& messages, TKBSetting& setting,
                  SettingsBlock& transfer) {
    transfer.fill(0);
    if (!control.ReadSettingsFromBoard(static_cast<uint32_t>(transfer.size()), transfer.data())) {
        messages.ShowMessage(kReadFailedMessage);
        return false;
    }
    setting.Decode(transfer.data(), transfer.size());
    return true;
}

bool SaveSettings(CTkrUsbControl& control, MessageSink& messages, const BoardIdentity& identity,
                  TKBSetting& setting, SettingsBlock& transfer) {
    transfer.fill(0);
    setting.Encode(transfer.data(), transfer.size(),
                   TKBSetting::ColourGuid(ProgramIniFile(), setting.UVC_Color));
    const bool written = control.WriteSettingsToBoard(SettingsWriteLength(identity), transfer.data());
    if (!written) {
        messages.ShowMessage(kWriteFailedMessage);
    }
    std::this_thread::sleep_for(kSettleTime);
    return written;
}

}  // namespace tkbctl
