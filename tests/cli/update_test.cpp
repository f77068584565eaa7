// Firmware updates: the procedure itself, tkb's question, progress and messages, against virtual
// boards with their faults.
#include <fstream>

#include "core/progress_display.h"
#include "tkb_test_support.h"

namespace tkbctl::cli::test {
namespace {

using namespace tkbsim::test;

std::filesystem::path WriteImage(const VirtualBoards& boards, const std::string& name, const Bytes& bytes) {
    const std::filesystem::path path = boards.path() / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

size_t BootWrites(const std::vector<tkbsim::LoggedFrame>& frames) {
    return static_cast<size_t>(
        std::count_if(frames.begin(), frames.end(), [](const tkbsim::LoggedFrame& frame) {
            return frame.imageData || (!frame.head.empty() && frame.head[0] == 0x05);
        }));
}

TEST(TkbUpdate, FpgaImageIsWrittenVerifiedAndReportedInPlainLinesWhenPiped) {
    VirtualBoards boards({"TKB-20U"});
    const Bytes image = Pattern(0x80000, 11);  // the largest FPGA image
    const std::filesystem::path file = WriteImage(boards, "fpga.bin", image);

    const TkbRun run = Tkb({"update", "fpga", file.string(), "--yes"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    // A TKB-20U keeps its FPGA image at 0x080000.
    EXPECT_EQ(boards.Board()->ReadFlash(0x080000, 0x80000), image);
    EXPECT_EQ(
        run.out,
        "FPGA image: 524288 bytes written and verified. Updating FPGA succeeded. Disconnect USB cable to "
        "restart the board.\n");
    EXPECT_NE(run.err.find("writing: 524288 bytes\nwriting: done, 524288 bytes in "), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("verifying: 524288 bytes\nverifying: done, 524288 bytes in "), std::string::npos);
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
}

TEST(TkbUpdate, Fx3ImageGoesWhereTheModelKeepsIt) {
    VirtualBoards boards({"TKB-20U", "TKF-20"});
    const Bytes image = Pattern(4096, 5);
    const std::filesystem::path file = WriteImage(boards, "fw.img", image);
    ASSERT_EQ(Tkb({"update", "fx3", file.string(), "--yes"}).status, kExitDone);
    EXPECT_EQ(boards.Board(0)->ReadFlash(0x180000, 4096), image);
    ASSERT_EQ(Tkb({"-b", "1", "update", "fx3", file.string(), "--yes"}).status, kExitDone);
    EXPECT_EQ(boards.Board(1)->ReadFlash(0x100000, 4096), image);
}

TEST(TkbUpdate, WithoutYesItAsksOnATerminalAndOtherwiseWritesNothing) {
    VirtualBoards boards({"TKB-20"});
    const Bytes before = boards.Board()->ReadFlash(0, 1024);
    const std::filesystem::path file = WriteImage(boards, "fpga.bin", Pattern(1024, 2));
    boards.ForgetFrames();

    const TkbRun piped = Tkb({"update", "fpga", file.string()}, {.input = "y\n"});
    EXPECT_EQ(piped.status, kExitFailed);
    EXPECT_NE(piped.err.find("standard input is not a terminal"), std::string::npos);
    EXPECT_TRUE(boards.TakeFrames().empty());  // not even identification

    const TkbRun declined = Tkb({"update", "fpga", file.string()}, {.input = "n\n", .inputIsTerminal = true});
    EXPECT_EQ(declined.status, kExitFailed);
    EXPECT_NE(declined.err.find("to board 0 (TKB-20)? [y/N] "), std::string::npos) << declined.err;
    EXPECT_NE(declined.err.find("not confirmed; nothing was written"), std::string::npos);
    const TkbRun ended = Tkb({"update", "fpga", file.string()}, {.input = "", .inputIsTerminal = true});
    EXPECT_EQ(ended.status, kExitFailed);
    EXPECT_EQ(BootWrites(boards.TakeFrames()), 0u);
    EXPECT_EQ(boards.Board()->ReadFlash(0, 1024), before);

    const TkbRun accepted = Tkb({"update", "fpga", file.string()}, {.input = "y\n", .inputIsTerminal = true});
    EXPECT_EQ(accepted.status, kExitDone) << accepted.err;
    EXPECT_EQ(boards.Board()->ReadFlash(0, 1024), Pattern(1024, 2));
}

TEST(TkbUpdate, BadFlashFailsVerificationAndNamesTheFirstDifference) {
    VirtualBoards boards({"TKB-20"});
    const Bytes image = Pattern(0x10000, 4);
    boards.Board()->SetBadFlash(0x1234, 8);
    const Bytes kept = boards.Board()->ReadFlash(0x1234, 1);
    const std::filesystem::path file = WriteImage(boards, "fpga.bin", image);
    const TkbRun run = Tkb({"update", "fpga", file.string(), "--yes"});
    EXPECT_EQ(run.status, kExitFailed);
    char expected[320];
    std::snprintf(
        expected, sizeof expected,
        "tkb update fpga: verification failed on board 0: the flash first differs at byte 0x1234: "
        "expected %02X, read %02X, although the library reported result 0x00000001 (success). Failed to "
        "verify FPGA update. Retry update without disconnecting the board.\n",
        image[0x1234], kept[0]);
    EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST(TkbUpdate, RefusalsOfTheWrapperFailTheCommand) {
    VirtualBoards boards({"TKB-20", "RJQ-10"});
    const std::filesystem::path large = WriteImage(boards, "large.bin", Bytes(0x80001, 0));
    boards.ForgetFrames();
    const TkbRun tooLarge = Tkb({"update", "fpga", large.string(), "--yes"});
    EXPECT_EQ(tooLarge.status, kExitFailed);
    EXPECT_NE(tooLarge.err.find("tkb update fpga: Too large size!\n"), std::string::npos);
    EXPECT_NE(tooLarge.err.find("tkb update fpga: writing the image was refused before anything was sent: "
                                "Failed to update FPGA. Retry update without disconnecting the board.\n"),
              std::string::npos);
    EXPECT_EQ(BootWrites(boards.TakeFrames()), 0u);

    const std::filesystem::path small = WriteImage(boards, "small.img", Bytes(16, 1));
    const TkbRun noPath = Tkb({"-b", "1", "update", "fx3", small.string(), "--yes"});
    EXPECT_EQ(noPath.status, kExitFailed);
    EXPECT_NE(noPath.err.find("Not inplemented yet."), std::string::npos);

    const TkbRun missing = Tkb({"update", "fx3", (boards.path() / "none.img").string(), "--yes"});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos);
}

TEST(TkbUpdate, AMultiImageOverTheSettingsBlockKeepsTheBlock) {
    VirtualBoards boards({"TKB-20U"});
    const Bytes block = Pattern(512, 77);
    boards.Board()->WriteFlash(kSettingsAddress, block);
    const Bytes image = Pattern(kSettingsAddress + 0x1000, 8);
    const std::filesystem::path file = WriteImage(boards, "multi.bin", image);

    const TkbRun run = Tkb({"update", "multi", file.string(), "--yes"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_NE(run.out.find("settings block kept: saved before the update, written back and verified\n"),
              std::string::npos);
    EXPECT_EQ(boards.Board()->ReadFlash(kSettingsAddress, 512), block);
    EXPECT_EQ(boards.Board()->ReadFlash(0, 0x1000), Bytes(image.begin(), image.begin() + 0x1000));
    EXPECT_NE(run.err.find("saving settings block: done"), std::string::npos);
    EXPECT_NE(run.err.find("restoring settings block: done"), std::string::npos);

    // A multi image that ends before the block leaves it alone and says nothing about it.
    const TkbRun shortImage =
        Tkb({"update", "multi", WriteImage(boards, "s.bin", Pattern(256, 1)).string(), "--yes"});
    ASSERT_EQ(shortImage.status, kExitDone);
    EXPECT_EQ(shortImage.out.find("settings block"), std::string::npos);
}

TEST(ProgressDisplay, DrawsABarInPlaceOnATerminalAsTheLibraryReports) {
    std::ostringstream out;
    auto now = std::chrono::steady_clock::time_point{};
    ProgressDisplay display(out, true, [&] { return now; });
    display.PhaseStarted(UpdatePhase::kWriting, 2097152);
    display.PhaseProgress(UpdatePhase::kWriting, 0, 2097152);
    now += std::chrono::seconds(1);
    display.PhaseProgress(UpdatePhase::kWriting, 524288, 2097152);
    // Closer than a tenth of a second to the last redraw: not drawn.
    now += std::chrono::milliseconds(50);
    display.PhaseProgress(UpdatePhase::kWriting, 589824, 2097152);
    now += std::chrono::milliseconds(950);
    display.PhaseProgress(UpdatePhase::kWriting, 1048576, 2097152);
    now += std::chrono::seconds(2);
    display.PhaseProgress(UpdatePhase::kWriting, 2097152, 2097152);  // the finish draws the end
    display.PhaseFinished(UpdatePhase::kWriting, 2097152);
    const std::string expected =
        "\rwriting   [................]       0/2097152 bytes     -- MiB/s  --:-- left"
        "\rwriting   [####............]  524288/2097152 bytes    0.5 MiB/s   0:03 left"
        "\rwriting   [########........] 1048576/2097152 bytes    0.5 MiB/s   0:02 left"
        "\rwriting   [################] 2097152/2097152 bytes    0.5 MiB/s   0:00 left\n";
    EXPECT_EQ(out.str(), expected);
    // Every redraw covers the one before, and no line reaches 80 columns.
    for (size_t at = 0; (at = expected.find('\r', at)) != std::string::npos; ++at)
        EXPECT_EQ(expected.find_first_of("\r\n", at + 1) - at - 1, 75u);

    // The settings block is one transfer: one line, ended when it is done.
    std::ostringstream settings;
    ProgressDisplay block(settings, true, [&] { return now; });
    block.PhaseStarted(UpdatePhase::kSavingSettings, 512);
    block.PhaseProgress(UpdatePhase::kSavingSettings, 256, 512);
    block.PhaseFinished(UpdatePhase::kSavingSettings, 512);
    EXPECT_EQ(settings.str(), "saving settings block: 512 bytes, done\n");

    // A phase cut short by a failure still ends its line.
    std::ostringstream failed;
    ProgressDisplay cut(failed, true);
    cut.PhaseStarted(UpdatePhase::kVerifying, 10);
    cut.Abandon();
    EXPECT_EQ(failed.str().back(), '\n');
}

TEST(ProgressDisplay, PrintsPlainLinesWhenNotATerminal) {
    std::ostringstream out;
    auto now = std::chrono::steady_clock::time_point{};
    ProgressDisplay display(out, false, [&] { return now; });
    display.PhaseStarted(UpdatePhase::kVerifying, 4096);
    display.PhaseProgress(UpdatePhase::kVerifying, 2048, 4096);  // nothing between the two lines
    now += std::chrono::milliseconds(500);
    display.PhaseFinished(UpdatePhase::kVerifying, 4096);
    display.Abandon();
    EXPECT_EQ(out.str(), "verifying: 4096 bytes\nverifying: done, 4096 bytes in 0.50 s (8.0 KiB/s)\n");
}

}  // namespace
}  // namespace tkbctl::cli::test
