#include "startup/startup.h"

#include <algorithm>

#include "main_window/main_window_ids.h"
#include "settings/tkb_setting.h"
#include "tkr/protocol.h"

namespace tkbctl {

namespace {

constexpr size_t kBoardIdLow = 138;
constexpr size_t kBoardIdHigh = 139;
constexpr auto kPauseBeforeIdentification = std::chrono::milliseconds(100);

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
    std::vector<uint8_t> block(kSettingsBlockSize, 0);
    if (!control.ReadSettingsFromBoard(kSettingsBlockSize, block.data()))
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
        outcome.disabledControls = {IDC_TKB_SETTING, IDC_SETTING_FILE_WRITE, IDC_READ,        IDC_WRITE,
                                    IDC_TKB_RESTART, IDC_TKB_INFO,           IDC_CAMERA_POWER};
        return outcome;
    }
    const IdentificationRow& row = MatchIdentification(answers->version, answers->letterA, answers->letterB);
    identity = IdentityOf(row);
    if (row.row == kRowWithoutIdentification)
        outcome.disabledControls = {IDC_TKB_INFO, IDC_CAMERA_POWER};

    outcome.deviceFound = true;
    outcome.title =
        WindowTitle(identity.modelName, host.QueryUsbVersion(tkr::kUsbVendorId, tkr::kUsbProductId));
    return outcome;
}

}  // namespace tkbctl
