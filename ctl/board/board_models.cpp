#include "board/board_models.h"

#include "tkr/protocol.h"

namespace tkbctl {

namespace {

using tkr::kFlashSettings;

constexpr BoardModel kModels[] = {
    // name, type, settings, FX3 image, FPGA image, update path, write length, HDMI receiver, MIPI
    {"TKB-20", 0, kFlashSettings, Fx3Image::Standard, FpgaImage::Standard, true, 256, false, false},
    {"TKB-20U", 1, kFlashSettings, Fx3Image::Upper, FpgaImage::Upper, true, 256, false, false},
    {"TKB-20W", 4, kFlashSettings, Fx3Image::Standard, FpgaImage::Standard, true, 256, false, false},
    {"TKB-20-MIPI", 0, kFlashSettings, Fx3Image::Standard, FpgaImage::Standard, true, 256, false, true},
    {"TKB-20U-MIPI", 1, kFlashSettings, Fx3Image::Upper, FpgaImage::Upper, true, 256, false, true},
    // The timing generator: its settings block carries a timing area in its second half.
    {"TKD-20", 0, kFlashSettings, Fx3Image::Standard, FpgaImage::Standard, true, 512, true, false},
    // A type 1 board that keeps its FX3 image where the type 0 boards do.
    {"TKF-20", 1, kFlashSettings, Fx3Image::Standard, FpgaImage::Upper, true, 256, true, false},
    {"TKR-50U", 2, kFlashSettings, Fx3Image::Standard, FpgaImage::Standard, true, 256, false, false},
    {"TKR-90", 10, 0xFF0000, Fx3Image::HighFlash, FpgaImage::Standard, true, 256, false, false},
    {"RJQ-10", 3, 0x070000, Fx3Image::Standard, FpgaImage::Standard, false, 256, false, false},
    {"(Unknown Device)", 0, kFlashSettings, Fx3Image::Standard, FpgaImage::Standard, true, 256, false, false},
};

constexpr const BoardModel& kUnknown = kModels[std::size(kModels) - 1];

// The board type alone chooses the flash layout for names the table does not hold, so the rows of
// one type must agree on all of it but the FX3 image.
constexpr bool RowsOfATypeAgree() {
    for (const BoardModel& a : kModels) {
        for (const BoardModel& b : kModels) {
            if (a.boardType == b.boardType && (a.settingsAddress != b.settingsAddress || a.fpga != b.fpga ||
                                               a.hasUpdatePath != b.hasUpdatePath))
                return false;
        }
    }
    return true;
}
static_assert(RowsOfATypeAgree());

constexpr char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

}  // namespace

std::span<const BoardModel> BoardModels() {
    return kModels;
}

const BoardModel& UnknownBoardModel() {
    return kUnknown;
}

const BoardModel* FindBoardModel(std::string_view name) {
    for (const BoardModel& model : kModels) {
        if (model.name == name)
            return &model;
    }
    return nullptr;
}

const BoardModel& FlashModelOf(const BoardIdentity& identity) {
    const BoardModel* named = FindBoardModel(identity.modelName);
    if (named && named->boardType == identity.boardType)
        return *named;
    for (const BoardModel& model : kModels) {
        if (model.boardType == identity.boardType)
            return model;
    }
    return kUnknown;
}

const BoardModel& ModelNamedLike(const BoardIdentity& identity) {
    for (const BoardModel& model : kModels) {
        if (SameIgnoringCase(model.name, identity.modelName))
            return model;
    }
    return kUnknown;
}

}  // namespace tkbctl
