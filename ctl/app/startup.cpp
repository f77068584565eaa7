#include "startup.h"

#include <algorithm>

#include "tkr/protocol.h"

namespace tkbctl {

namespace {

constexpr size_t kBoardIdLow = 138;
constexpr size_t kBoardIdHigh = 139;
constexpr auto kPauseBeforeIdentification = std::chrono::milliseconds(100);

// The rows in the order they are tried: the letter rows come first, so a board with letters is
// never judged by its FX3 version; 'O' with 'U' is a TKB-20U because row 5 comes before row 6.
constexpr IdentificationRow kRows[] = {
    {1, "%d: TKR-90 (UVC)", "TKR-90", 10},
    {2, "%d: TKB-20U-MIPI (UVC)", "TKB-20U-MIPI", 1},
    {3, "%d: TKB-20-MIPI (HDMI)", "TKB-20-MIPI", 0},
    {4, "%d: TKB-20W", "TKB-20W", 4},
    {5, "%d: TKB-20U (UVC)", "TKB-20U", 1},
    {6, "%d: TKF-20 (HDMI-UVC)", "TKF-20", 1},
    {7, "%d: TKD-20", "TKD-20", 0},
    {8, "%d: TKB-20 (HDMI)", "TKB-20", 0},
    {9, "%d: TKR-50U (?)", "TKR-50U", 2},
    {10, "%d: TKB-20 (?)", "TKB-20", 0},
    {11, "%d: TKB-20U (?)", "TKB-20U", 1},
    {12, "%d: RJQ-10", "RJQ-10", 3},
};

const IdentificationRow& Row(int row) {
    return kRows[row - 1];
}

// The list entry formats carry one "%d" for the board index.
std::string WithIndex(const char* format, int index) {
    std::string text = format;
    const size_t placeholder = text.find("%d");
    if (placeholder != std::string::npos)
        text.replace(placeholder, 2, std::to_string(index));
    return text;
}

// The fourth byte of an FPGA identification register; 0 when the read fails (the wrapper reports
// FPGA reads as done either way, so the buffer starts cleared).
uint8_t ReadLetter(CTkrUsbControl& control, uint32_t reg) {
    uint8_t value[4] = {};
    control.ReadRegister(CTkrUsbControl::kFpgaSlave, reg, value, sizeof value, false, false);
    return value[3];
}

// The UVC_BoardID field of the settings block, 0 when the block cannot be read.
unsigned ReadBoardId(CTkrUsbControl& control) {
    std::vector<uint8_t> block(kSettingsBlockLength, 0);
    if (!control.ReadSettingsFromBoard(kSettingsBlockLength, block.data()))
        return 0;
    return block[kBoardIdLow] + 256u * block[kBoardIdHigh];
}

// What a board tells about itself: its version bytes, and letters A and B when its FPGA version
// qualifies (0 otherwise, and when a read fails). Empty when the version request fails.
struct BoardAnswers {
    VersionInfo version{};
    uint8_t letterA = 0;
    uint8_t letterB = 0;
};

std::optional<BoardAnswers> AskBoard(CTkrUsbControl& control) {
    BoardAnswers answers;
    // The buffer starts cleared: a board that refuses the request is judged on zeros.
    if (!control.ReadVersionInfo(kVersionInfoLength, answers.version.data()))
        return std::nullopt;
    if (FpgaVersionQualifies(answers.version)) {
        answers.letterA = ReadLetter(control, tkr::kRegIdentA);
        answers.letterB = ReadLetter(control, tkr::kRegIdentB);
    }
    return answers;
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
        return Row(12);
    const uint8_t fx3 = version[0];
    if (fx3 >= 90 && fx3 <= 99)
        return Row(9);
    if (fx3 >= 100 && fx3 <= 199)
        return Row(10);
    return Row(11);
}

std::vector<std::string> EnumerateBoards(CTkrUsbControl& control) {
    std::vector<std::string> entries;
    for (int index = 0; index < kMaxBoards; ++index) {
        control.SetBoardIndex(index);
        // A board that does not open ends the list: boards behind a gap are never offered.
        if (!control.OpenBoard())
            break;
        control.CloseBoard();

        const std::optional<BoardAnswers> answers = AskBoard(control);
        if (!answers) {
            entries.push_back(WithIndex("%d: Unknown board", index));
            continue;
        }
        // Read while the board type is still 0, so at that type's settings address.
        const unsigned boardId = ReadBoardId(control);
        std::string entry = WithIndex(
            MatchIdentification(answers->version, answers->letterA, answers->letterB).listFormat, index);
        if (boardId >= 1 && boardId <= 99)
            entry += " [ID=" + std::to_string(boardId) + "]";
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string WindowTitle(const std::string& modelName, int32_t usbVersion) {
    std::string title = "TKBCtl [" + modelName + "]";
    if (usbVersion > 100) {
        title += "(USB" + std::to_string(usbVersion >> 8) + "." + std::to_string(usbVersion & 0xFF) + ")";
    } else {
        title += "(USB?.?)";
    }
    return title;
}

StartupOutcome RunStartup(CTkrUsbControl& control, BoardIdentity& identity, StartupHost& host) {
    identity = BoardIdentity{};

    const std::vector<std::string> entries = EnumerateBoards(control);
    // When board 0 does not open the count is still 1: board 0 is tried once more below.
    const int count = std::max<int>(1, static_cast<int>(entries.size()));
    int chosen = 0;
    if (count > 1) {
        const std::optional<int> selected = host.SelectBoard(entries);
        if (selected && *selected >= 0 && *selected < count)
            chosen = *selected;
    }
    control.SetBoardIndex(chosen);
    host.Pause(kPauseBeforeIdentification);

    StartupOutcome outcome;
    const std::optional<BoardAnswers> answers = AskBoard(control);
    if (!answers) {
        outcome.title = kNoDeviceTitle;
        outcome.disabledControls = {kIdTkbSetting, kIdSettingFileWrite, kIdRead,       kIdWrite,
                                    kIdTkbRestart, kIdTkbInfo,          kIdCameraPower};
        return outcome;
    }
    const IdentificationRow& row = MatchIdentification(answers->version, answers->letterA, answers->letterB);
    identity.modelName = row.modelName;
    identity.boardType = row.boardType;
    if (row.row == 12)
        outcome.disabledControls = {kIdTkbInfo, kIdCameraPower};

    outcome.deviceFound = true;
    outcome.title =
        WindowTitle(identity.modelName, host.QueryUsbVersion(tkr::kUsbVendorId, tkr::kUsbProductId));
    return outcome;
}

}  // namespace tkbctl
