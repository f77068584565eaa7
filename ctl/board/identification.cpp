#include "board/identification.h"

namespace tkbctl {

namespace {

const BoardModel& Model(std::string_view name) {
    return *FindBoardModel(name);
}

// The rows in the order they are tried: the letter rows come first, so a board with letters is
// never judged by its FX3 version; 'O' with 'U' is a TKB-20U because row 5 comes before row 6.
const IdentificationRow kRows[] = {
    {1, "%d: TKR-90 (UVC)", Model("TKR-90")},
    {2, "%d: TKB-20U-MIPI (UVC)", Model("TKB-20U-MIPI")},
    {3, "%d: TKB-20-MIPI (HDMI)", Model("TKB-20-MIPI")},
    {4, "%d: TKB-20W", Model("TKB-20W")},
    {5, "%d: TKB-20U (UVC)", Model("TKB-20U")},
    {6, "%d: TKF-20 (HDMI-UVC)", Model("TKF-20")},
    {7, "%d: TKD-20", Model("TKD-20")},
    {8, "%d: TKB-20 (HDMI)", Model("TKB-20")},
    {9, "%d: TKR-50U (?)", Model("TKR-50U")},
    {10, "%d: TKB-20 (?)", Model("TKB-20")},
    {11, "%d: TKB-20U (?)", Model("TKB-20U")},
    {kRowWithoutIdentification, "%d: RJQ-10", Model("RJQ-10")},
};

const IdentificationRow& Row(int row) {
    return kRows[row - 1];
}

}  // namespace

bool FpgaVersionQualifies(const VersionInfo& version) {
    return version[1] > 1 || version[2] != 0;
}

const IdentificationRow& MatchIdentification(const VersionInfo& version, uint8_t letterA, uint8_t letterB) {
    if (letterA == 'K')
        return Row(1);
    if (letterA == 'S' || letterA == 'R')
        return Row(letterB == 'U' ? 2 : 3);
    if (letterB == 'W')
        return Row(4);
    if (letterB == 'U')
        return Row(5);
    if (letterA == 'O')
        return Row(letterB == 'V' ? 6 : 7);
    if (letterB == 'M')
        return Row(8);
    if (!FpgaVersionQualifies(version))
        return Row(kRowWithoutIdentification);
    const uint8_t fx3 = version[0];
    if (fx3 >= 90 && fx3 <= 99)
        return Row(9);
    if (fx3 >= 100 && fx3 <= 199)
        return Row(10);
    return Row(11);
}

BoardIdentity IdentityOf(const IdentificationRow& row) {
    return BoardIdentity{std::string(row.model.name), row.model.boardType};
}

}  // namespace tkbctl
