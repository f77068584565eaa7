#include "settings_fields.h"

#include <cstdio>
#include <cstdlib>

namespace tkbctl::cli {

namespace {

using ByteMember = uint8_t TKBSetting::*;
using IntMember = int32_t TKBSetting::*;

// A decimal or 0x-hexadecimal integer, whole, within [min, max].
std::optional<long long> ParseInteger(const std::string& text, long long min, long long max) {
    if (text.empty())
        return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    if (end != text.c_str() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::string RangeError(long long min, long long max) {
    return "must be a whole number from " + std::to_string(min) + " to " + std::to_string(max);
}

std::string HexBytes(const uint8_t* bytes, size_t count) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        text += pair;
    }
    return text;
}

// "0 = off, other = on" and similar two-way encodings of the register bytes.
std::function<std::string(const TKBSetting&)> TwoWay(ByteMember member, const char* zero, const char* other) {
    return [=](const TKBSetting& s) { return std::string(s.*member == 0 ? zero : other); };
}

std::function<std::string(const TKBSetting&)> Fixed(const char* meaning) {
    return [=](const TKBSetting&) { return std::string(meaning); };
}

SettingsField ByteField(const char* name, ByteMember member,
                        std::function<std::string(const TKBSetting&)> meaning) {
    auto text = [=](const TKBSetting& s) { return std::to_string(s.*member); };
    return {name, text, text, std::move(meaning), [=](TKBSetting& s, const std::string& value) {
                const std::optional<long long> parsed = ParseInteger(value, 0, 255);
                if (!parsed)
                    return std::optional<std::string>(RangeError(0, 255));
                s.*member = static_cast<uint8_t>(*parsed);
                return std::optional<std::string>();
            }};
}

// The block keeps these fields in 16 bits; a wider value would be stored cut short.
SettingsField IntField(const char* name, IntMember member, long long min, long long max,
                       const char* meaning) {
    auto text = [=](const TKBSetting& s) { return std::to_string(s.*member); };
    return {name, text, text, Fixed(meaning), [=](TKBSetting& s, const std::string& value) {
                const std::optional<long long> parsed = ParseInteger(value, min, max);
                if (!parsed)
                    return std::optional<std::string>(RangeError(min, max));
                s.*member = static_cast<int32_t>(*parsed);
                return std::optional<std::string>();
            }};
}

std::string Indexed(const char* const* names, size_t count, uint8_t value) {
    return value < count ? names[value] : "index " + std::to_string(value) + " (outside the list)";
}

std::string EndianBitShiftMeaning(const TKBSetting& s) {
    static const char* const shifts[] = {"0 bits", "2 bits", "4 bits", "6 bits"};
    return "byte order index " + std::to_string(s.EndianBitShift & 0x0F) + " (low nibble), bit shift " +
           Indexed(shifts, 4, static_cast<uint8_t>(s.EndianBitShift >> 4)) + " (high nibble)";
}

std::string HdmiRangeMeaning(const TKBSetting& s) {
    auto range = [](int nibble) {
        return nibble == 0   ? std::string("limited")
               : nibble == 1 ? std::string("full")
                             : "value " + std::to_string(nibble);
    };
    return "HDMI output range " + range(s.HDMIRange & 0x0F) + ", HDMI input range " + range(s.HDMIRange >> 4);
}

std::string I2cFrequencyMeaning(const TKBSetting& s) {
    switch (s.I2CFrequency) {
        case 15:
            return "100 kHz";
        case 6:
            return "200 kHz";
        case 1:
            return "400 kHz";
        default:
            return "value " + std::to_string(s.I2CFrequency) + " (no frequency of the list)";
    }
}

std::string SwFunctionMeaning(const TKBSetting& s) {
    return s.SW1Function == 0   ? "reset pin"
           : s.SW1Function == 1 ? "disabled"
                                : "value " + std::to_string(s.SW1Function);
}

// The FPS text as the block turns it into a code: digits with at most one decimal point.
std::optional<std::string> SetFps(TKBSetting& s, const std::string& value) {
    bool point = false;
    bool digit = false;
    for (char c : value) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digit = true;
        } else {
            return "must be a frame rate such as 30 or 59.94";
        }
    }
    if (!digit || value.size() > 127)
        return "must be a frame rate such as 30 or 59.94";
    s.UVC_FPS = value;
    return std::nullopt;
}

std::vector<SettingsField> BuildFields() {
    static const char* const decimations[] = {"1/1", "1/2", "1/3", "1/4"};
    std::vector<SettingsField> fields;
    fields.push_back(
        {"RawImage",
         [](const TKBSetting& s) { return HexBytes(s.RawImage.data(), s.RawImage.size()); },
         [](const TKBSetting& s) { return JsonString(HexBytes(s.RawImage.data(), s.RawImage.size())); },
         Fixed("the 512-byte block as read, in hexadecimal (bytes 0-31 unused)"),
         {}});
    fields.push_back(ByteField("CKINOutSelect", &TKBSetting::CKINOutSelect,
                               TwoWay(&TKBSetting::CKINOutSelect, "54MHz", "48MHz")));
    fields.push_back(ByteField("CKINOutDivide", &TKBSetting::CKINOutDivide,
                               TwoWay(&TKBSetting::CKINOutDivide, "1/1", "1/2")));
    fields.push_back(ByteField("ColorSpaceSelect", &TKBSetting::ColorSpaceSelect, Fixed("carried through")));
    fields.push_back(ByteField(
        "ITU_BT656Mode", &TKBSetting::ITU_BT656Mode,
        TwoWay(&TKBSetting::ITU_BT656Mode, "embedded sync (BT.656) off", "embedded sync (BT.656) on")));
    fields.push_back(ByteField("PolarityOfDE", &TKBSetting::PolarityOfDE,
                               TwoWay(&TKBSetting::PolarityOfDE, "low active", "high active")));
    fields.push_back(ByteField("PolarityOfPixelClockEdge", &TKBSetting::PolarityOfPixelClockEdge,
                               TwoWay(&TKBSetting::PolarityOfPixelClockEdge, "rising edge", "falling edge")));
    fields.push_back(ByteField("PolarityOfHSync", &TKBSetting::PolarityOfHSync,
                               TwoWay(&TKBSetting::PolarityOfHSync, "low active", "high active")));
    fields.push_back(ByteField("PolarityOfVSync", &TKBSetting::PolarityOfVSync,
                               TwoWay(&TKBSetting::PolarityOfVSync, "low active", "high active")));
    fields.push_back(ByteField("CSSwapMode", &TKBSetting::CSSwapMode, [](const TKBSetting& s) {
        return "colour-component order index " + std::to_string(s.CSSwapMode) + " (board types 0 and 3)";
    }));
    fields.push_back(ByteField("EndianBitShift", &TKBSetting::EndianBitShift, EndianBitShiftMeaning));
    fields.push_back(ByteField("DEInputMode", &TKBSetting::DEInputMode,
                               TwoWay(&TKBSetting::DEInputMode, "DE input mode off", "DE input mode on")));
    fields.push_back(ByteField("Decimation", &TKBSetting::Decimation,
                               [](const TKBSetting& s) { return Indexed(decimations, 4, s.Decimation); }));
    fields.push_back(ByteField("HDMIRange", &TKBSetting::HDMIRange, HdmiRangeMeaning));
    fields.push_back(ByteField("SW1Function", &TKBSetting::SW1Function, SwFunctionMeaning));
    fields.push_back(ByteField("I2CFrequency", &TKBSetting::I2CFrequency, I2cFrequencyMeaning));
    fields.push_back(ByteField("I2CDelay", &TKBSetting::I2CDelay, Fixed("carried through")));
    fields.push_back(IntField("UVC_Height", &TKBSetting::UVC_Height, 0, 65535, "UVC frame height in pixels"));
    fields.push_back(IntField("UVC_Width", &TKBSetting::UVC_Width, 0, 65535, "UVC frame width in pixels"));
    fields.push_back(
        IntField("UVC_Color", &TKBSetting::UVC_Color, -1, 65535,
                 "UVC colour format: index into the colour list of the program INI file (-1: none)"));
    fields.push_back({"UVC_FPS", [](const TKBSetting& s) { return s.UVC_FPS; },
                      [](const TKBSetting& s) { return JsonString(s.UVC_FPS); },
                      Fixed("UVC frames per second"), SetFps});
    fields.push_back(IntField("UVC_BoardID", &TKBSetting::UVC_BoardID, 0, 65535, "UVC board ID (0: none)"));
    fields.push_back(
        IntField("ClipX0", &TKBSetting::ClipX0, 0, 65535, "clipping window left edge in pixels"));
    fields.push_back(
        IntField("ClipWidth", &TKBSetting::ClipWidth, 0, 65535, "clipping window width in pixels"));
    fields.push_back(IntField("ClipY0", &TKBSetting::ClipY0, 0, 65535, "clipping window top edge in pixels"));
    fields.push_back(
        IntField("ClipHeight", &TKBSetting::ClipHeight, 0, 65535, "clipping window height in pixels"));
    SettingsField clipEnable = IntField("ClipEnable", &TKBSetting::ClipEnable, 0, 1, "");
    clipEnable.meaning = [](const TKBSetting& s) {
        return std::string(s.ClipEnable ? "clipping on" : "clipping off");
    };
    fields.push_back(std::move(clipEnable));
    fields.push_back(
        {"TimingArea",
         [](const TKBSetting& s) { return HexBytes(s.TimingArea.data(), s.TimingArea.size()); },
         [](const TKBSetting& s) { return JsonString(HexBytes(s.TimingArea.data(), s.TimingArea.size())); },
         Fixed("block bytes 0x100-0x1FF (TKD-20 timing values), in hexadecimal"),
         {}});
    return fields;
}

}  // namespace

const std::vector<SettingsField>& SettingsFields() {
    static const std::vector<SettingsField> fields = BuildFields();
    return fields;
}

const SettingsField* FindSettingsField(const std::string& name) {
    for (const SettingsField& field : SettingsFields()) {
        if (name == field.name)
            return &field;
    }
    return nullptr;
}

std::optional<std::string> ApplySettings(
    TKBSetting& setting, const std::vector<std::pair<std::string, std::string>>& assignments) {
    for (const auto& [name, value] : assignments) {
        const SettingsField* field = FindSettingsField(name);
        if (!field)
            return "'" + name + "' is not a field of the board settings (see 'tkb settings show')";
        if (!field->set)
            return "'" + name + "' cannot be set; use 'tkb settings restore' for the raw block";
        if (std::optional<std::string> error = field->set(setting, value))
            return "'" + name + "=" + value + "': the value " + *error;
    }
    return std::nullopt;
}

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[7];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json += static_cast<char>(c);
        }
    }
    return json + "\"";
}

}  // namespace tkbctl::cli
