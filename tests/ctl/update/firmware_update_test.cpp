// The update procedure against virtual boards: progress as the library reports it, the reason a
// phase failed, the settings block kept across a multi image at the address the model table gives,
// and the wrapper's refusals.
#include <gtest/gtest.h>

#include <functional>

#include "board/board_models.h"
#include "sim_test_support.h"
#include "support/recording_messages.h"
#include "support/virtual_boards.h"
#include "update/firmware_update.h"

namespace tkbctl::test {
namespace {

using tkbsim::test::Bytes;
using tkbsim::test::Pattern;

struct Event {
    char kind;  // 'S'tarted, 'P'rogress, 'F'inished
    UpdatePhase phase;
    uint64_t done, bytes;
    bool operator==(const Event&) const = default;
};

// Records what the procedure tells; calls the test's action when a phase starts.
class Recorder final : public UpdateObserver {
public:
    explicit Recorder(UpdatePhase actOn = UpdatePhase::kSavingSettings, std::function<void()> action = {})
        : actOn_(actOn), action_(std::move(action)) {}
    void PhaseStarted(UpdatePhase phase, uint64_t bytes) override {
        events.push_back({'S', phase, 0, bytes});
        if (phase == actOn_ && action_)
            action_();
    }
    void PhaseProgress(UpdatePhase phase, uint64_t done, uint64_t bytes) override {
        events.push_back({'P', phase, done, bytes});
    }
    void PhaseFinished(UpdatePhase phase, uint64_t bytes) override {
        events.push_back({'F', phase, bytes, bytes});
    }
    std::vector<Event> events;

private:
    UpdatePhase actOn_;
    std::function<void()> action_;
};

constexpr UpdatePhase kW = UpdatePhase::kWriting;
constexpr UpdatePhase kV = UpdatePhase::kVerifying;

TEST(FirmwareUpdate, WriteAndVerificationReportEveryTransferOfTheLibrary) {
    VirtualBoards boards({"TKB-20"});
    const Bytes image = Pattern(0x80000, 3);
    BoardIdentity identity{"TKB-20", 0};
    RecordingMessages messages;
    CTkrUsbControl control(identity, messages);
    Recorder recorder;
    const UpdateReport report = RunFirmwareUpdate(control, identity, FirmwareKind::kFpga, image, recorder);
    ASSERT_EQ(report.outcome, UpdateOutcome::kDone);
    EXPECT_EQ(boards.Board(0)->ReadFlash(0, 0x80000), image);

    // The virtual driver moves 64 KiB a request; the last request of a write never ends on a
    // multiple of 1024, so its final 64 bytes go on their own.
    std::vector<Event> expected{{'S', kW, 0, 0x80000}, {'P', kW, 0, 0x80000}};
    for (uint64_t done = 0x10000; done < 0x80000; done += 0x10000)
        expected.push_back({'P', kW, done, 0x80000});
    expected.push_back({'P', kW, 0x80000 - 64, 0x80000});
    expected.push_back({'P', kW, 0x80000, 0x80000});
    expected.push_back({'F', kW, 0x80000, 0x80000});
    expected.push_back({'S', kV, 0, 0x80000});
    for (uint64_t done = 0; done <= 0x80000; done += 0x10000)
        expected.push_back({'P', kV, done, 0x80000});
    expected.push_back({'F', kV, 0x80000, 0x80000});
    EXPECT_EQ(recorder.events, expected);

    // The procedure gave the library's callback back: later transfers tell nobody.
    const size_t told = recorder.events.size();
    Bytes again(16);
    control.ReadBackFPGA(16, again.data());
    EXPECT_EQ(recorder.events.size(), told);
}

TEST(FirmwareUpdate, ABoardUnpluggedMidwayFailsWithTheLibrarysReasonAndIsNotLeftOpen) {
    VirtualBoards boards({"TKB-20"});
    std::shared_ptr<tkbsim::Board> board = boards.Board(0);
    const Bytes image = Pattern(0x8000, 6);
    BoardIdentity identity{"TKB-20", 0};
    RecordingMessages messages;
    {
        CTkrUsbControl control(identity, messages);
        Recorder unplug(kV, [&] { board->Unplug(); });
        const UpdateReport report = RunFirmwareUpdate(control, identity, FirmwareKind::kFpga, image, unplug);
        EXPECT_EQ(report.outcome, UpdateOutcome::kReadBackFailed);
        EXPECT_EQ(report.result, TKRUSB20_RET_ERROR_DRIVER_OPEN);
        EXPECT_EQ(unplug.events.back(), (Event{'S', kV, 0, 0x8000}));
        std::vector<UpdatePhase> finished;
        for (const Event& event : unplug.events) {
            if (event.kind == 'F')
                finished.push_back(event.phase);
        }
        EXPECT_EQ(finished, (std::vector<UpdatePhase>{kW}));

        Recorder none;
        const UpdateReport write = RunFirmwareUpdate(control, identity, FirmwareKind::kFpga, image, none);
        EXPECT_EQ(write.outcome, UpdateOutcome::kWriteFailed);
        EXPECT_EQ(write.result, TKRUSB20_RET_ERROR_DRIVER_OPEN);
        // Nothing moved: the board never opened.
        EXPECT_EQ(none.events, (std::vector<Event>{{'S', kW, 0, 0x8000}}));
    }
    // Plugged in again, the board opens: the failed updates left no open flag behind.
    board->Plug();
    CTkrUsbControl control(identity, messages);
    EXPECT_TRUE(control.OpenBoard());
    control.CloseBoard();
    EXPECT_TRUE(messages.All().empty());
}

TEST(FirmwareUpdate, BadFlashIsAMismatchThatTheLibraryCalledSuccess) {
    VirtualBoards boards({"TKB-20U"});
    boards.Board(0)->SetBadFlash(0x080000 + 0x2345, 4);
    const Bytes kept = boards.Board(0)->ReadFlash(0x080000 + 0x2345, 1);
    const Bytes image = Pattern(0x10000, 9);
    BoardIdentity identity{"TKB-20U", 1};
    RecordingMessages messages;
    CTkrUsbControl control(identity, messages);
    Recorder recorder;
    const UpdateReport report = RunFirmwareUpdate(control, identity, FirmwareKind::kFpga, image, recorder);
    EXPECT_EQ(report.outcome, UpdateOutcome::kMismatch);
    EXPECT_EQ(report.result, TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(report.firstDifference, 0x2345u);
    EXPECT_EQ(report.expected, image[0x2345]);
    EXPECT_EQ(report.actual, kept[0]);
    EXPECT_NE(recorder.events.back().kind, 'F');
}

TEST(FirmwareUpdate, TheSettingsBlockIsKeptWhereTheModelTableSaysItLies) {
    // The TKR-90 keeps its block at 0xFF0000, far from the other models' 0x1F0000.
    VirtualBoards boards({"TKR-90"});
    const uint32_t address = FindBoardModel("TKR-90")->settingsAddress;
    ASSERT_EQ(address, 0xFF0000u);
    const Bytes block = Pattern(512, 41);
    boards.Board(0)->WriteFlash(address, block);
    BoardIdentity identity{"TKR-90", 10};
    EXPECT_FALSE(CoversSettingsBlock(FirmwareKind::kMulti, identity, address));
    EXPECT_TRUE(CoversSettingsBlock(FirmwareKind::kMulti, identity, address + 1));
    EXPECT_FALSE(CoversSettingsBlock(FirmwareKind::kFpga, identity, address + 1));

    const Bytes image(address + 0x1000, 0x00);
    RecordingMessages messages;
    CTkrUsbControl control(identity, messages);
    Recorder recorder;
    const UpdateReport report = RunFirmwareUpdate(control, identity, FirmwareKind::kMulti, image, recorder);
    ASSERT_EQ(report.outcome, UpdateOutcome::kDone);
    EXPECT_TRUE(report.settingsKept);
    EXPECT_EQ(boards.Board(0)->ReadFlash(address, 512), block);
    EXPECT_EQ(boards.Board(0)->ReadFlash(address + 512, 16), Bytes(16, 0x00));
    EXPECT_EQ(recorder.events.front(), (Event{'S', UpdatePhase::kSavingSettings, 0, 512}));
    EXPECT_EQ(recorder.events.back(), (Event{'F', UpdatePhase::kRestoringSettings, 512, 512}));
}

TEST(FirmwareUpdate, ASettingsBlockThatDoesNotStayFailsAfterTheImage) {
    VirtualBoards boards({"TKB-20U"});
    std::shared_ptr<tkbsim::Board> board = boards.Board(0);
    const uint32_t address = 0x1F0000;
    board->WriteFlash(address, Pattern(512, 1));
    BoardIdentity identity{"TKB-20U", 1};
    RecordingMessages messages;
    CTkrUsbControl control(identity, messages);
    const Bytes image(address + 512, 0x00);
    // The block's flash keeps what the image wrote (zeros) against the restore.
    Recorder damage(UpdatePhase::kRestoringSettings, [&] { board->SetBadFlash(address + 10, 1); });
    const UpdateReport report = RunFirmwareUpdate(control, identity, FirmwareKind::kMulti, image, damage);
    EXPECT_EQ(report.outcome, UpdateOutcome::kSettingsMismatch);
    EXPECT_EQ(report.firstDifference, 10u);
    EXPECT_EQ(report.expected, Pattern(512, 1)[10]);
    EXPECT_EQ(report.actual, 0x00);

    // Unplugged before the block is saved: nothing is written, and the library says why.
    board->Unplug();
    Recorder none;
    const UpdateReport unsaved = RunFirmwareUpdate(control, identity, FirmwareKind::kMulti, image, none);
    EXPECT_EQ(unsaved.outcome, UpdateOutcome::kSettingsSaveFailed);
    EXPECT_EQ(unsaved.result, TKRUSB20_RET_ERROR_DRIVER_OPEN);
    EXPECT_EQ(none.events.size(), 1u);
}

TEST(FirmwareUpdate, RefusalsOfTheWrapperSendNothing) {
    VirtualBoards boards({"RJQ-10"});
    uint64_t overwritten = 0;
    boards.Board(0)->ClearLog();
    BoardIdentity rjq{"RJQ-10", 3};
    RecordingMessages messages;
    CTkrUsbControl control(rjq, messages);
    Recorder recorder;
    EXPECT_EQ(RunFirmwareUpdate(control, rjq, FirmwareKind::kFx3, Bytes(16, 1), recorder).outcome,
              UpdateOutcome::kRefused);
    EXPECT_EQ(
        messages.All(),
        (std::vector<RecordingMessages::Shown>{RecordingMessages::Text("Not inplemented yet.", "Error")}));

    BoardIdentity tkb{"TKB-20", 0};
    CTkrUsbControl other(tkb, messages);
    EXPECT_TRUE(RefusedByWrapper(FirmwareKind::kFpga, tkb, 0x80001));
    EXPECT_FALSE(RefusedByWrapper(FirmwareKind::kFpga, tkb, 0x80000));
    EXPECT_FALSE(RefusedByWrapper(FirmwareKind::kMulti, tkb, 0x80001));
    EXPECT_EQ(RunFirmwareUpdate(other, tkb, FirmwareKind::kFpga, Bytes(0x80001, 0), recorder).outcome,
              UpdateOutcome::kRefused);
    EXPECT_TRUE(boards.Board(0)->Log(overwritten).empty());
}

}  // namespace
}  // namespace tkbctl::test
