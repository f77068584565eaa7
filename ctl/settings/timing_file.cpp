#include "settings/timing_file.h"

#include <cstdint>

#include "board/board_models.h"
#include "ini/ini_handler.h"

namespace tkbctl {
namespace {

constexpr const char* kSection = "TKDGenerator";

// Where each key goes, as block offsets; two keys are stored twice. Read in this order.
struct TimingKey {
    const char* name;
    size_t offset;
    size_t copyOffset;  // 0: stored once
};
constexpr TimingKey kTimingKeys[] = {
    {"VSPP", 0x118, 0}, {"VSSP", 0x110, 0x114}, {"PicWidth", 0x160, 0}, {"PicHeight", 0x164, 0},
    {"HSSP", 0x120, 0}, {"HSIP", 0x124, 0},     {"HSPP", 0x128, 0},     {"HSPR", 0x130, 0x134},
    {"DESP", 0x140, 0}, {"DEIP", 0x144, 0},     {"DEPP", 0x148, 0},     {"DEPR", 0x14C, 0},
};

void Put32(TKBSetting& setting, size_t blockOffset, int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) {
        setting.TimingArea[blockOffset - kTimingAreaOffset + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

}  // namespace

void LoadTimingFile(const std::string& path, TKBSetting* setting) {
    if (setting == nullptr) {
        return;
    }
    CINIHandler file(path);
    setting->TimingArea[0] = kTimingAreaValid;
    for (const TimingKey& key : kTimingKeys) {
        const int32_t value = file.GetInt(kSection, key.name);
        Put32(*setting, key.offset, value);
        if (key.copyOffset != 0) {
            Put32(*setting, key.copyOffset, value);
        }
    }
}

bool HasTimingArea(const BoardIdentity& identity) {
    return ModelNamedLike(identity).settingsWriteLength > kTimingAreaOffset;
}

}  // namespace tkbctl
