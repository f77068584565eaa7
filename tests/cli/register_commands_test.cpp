// list, i2c, fpga, dump, run and status against virtual boards: what reaches the board, byte for
// byte, what is printed, and how failures end.
#include <fstream>

#include "core/board_session.h"
#include "tkb_test_support.h"
#include "tkbsim/fpga_registers.h"

namespace tkbctl::cli::test {
namespace {

using namespace tkbsim::test;

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(TkbList, ListsBoardsUpToTheFirstGapAsJsonAndText) {
    VirtualBoards boards({"TKB-20U", "TKD-20", "RJQ-10"});
    // Board ID 7 in the second board's settings block.
    boards.Board(1)->WriteFlash(0x1F0000 + 138, {7, 0});

    const TkbRun json = Tkb({"list", "--json"});
    ASSERT_EQ(json.status, kExitDone) << json.err;
    const Json list = ParseJson(json.out);
    ASSERT_EQ(list.Array().size(), 3u);
    EXPECT_EQ(list.Array()[0]["model"].Text(), "TKB-20U");
    EXPECT_EQ(list.Array()[0]["board_type"].Number(), 1);
    EXPECT_EQ(list.Array()[0]["fx3_version"].Number(), 35);
    EXPECT_EQ(list.Array()[0]["fpga_version"].Text(), "3.05");
    EXPECT_EQ(list.Array()[1]["index"].Number(), 1);
    EXPECT_EQ(list.Array()[1]["board_id"].Number(), 7);
    EXPECT_EQ(list.Array()[2]["model"].Text(), "RJQ-10");
    EXPECT_EQ(list.Array()[2]["board_type"].Number(), 3);
    EXPECT_EQ(list.Array()[2]["fpga_version"].Text(), "0.01");
    // The speed query cannot tell several boards apart.
    EXPECT_TRUE(list.Array()[0]["usb"].IsNull());

    const TkbRun text = Tkb({"list"});
    EXPECT_NE(text.out.find("1: TKD-20 [ID=7]  model TKD-20, type 0, board ID 7, FX3 110, FPGA 1.03\n"),
              std::string::npos)
        << text.out;

    // A board that leaves ends the list there, as the control program's enumeration does.
    boards.Board(1)->Unplug();
    const Json shorter = ParseJson(Tkb({"list", "--json"}).out);
    EXPECT_EQ(shorter.Array().size(), 2u);
}

TEST(TkbList, NoBoardIsAnEmptyList) {
    VirtualBoards boards({});
    const TkbRun run = Tkb({"list", "--json"});
    EXPECT_EQ(run.status, kExitDone);
    EXPECT_TRUE(ParseJson(run.out).Array().empty());
}

TEST(TkbI2c, WritesAndReadsWithTheProgramsFrames) {
    VirtualBoards boards({"TKB-20"});
    boards.ForgetFrames();

    ASSERT_EQ(Tkb({"i2c", "write", "3C", "10", "0A", "ff", "0x10"}).status, kExitDone);
    EXPECT_EQ(LastHeads(boards.TakeFrames(), 1),
              (std::vector<Bytes>{I2CWrite8(0x3C, 0x10, {0x0A, 0xFF, 0x10})}));
    EXPECT_EQ(boards.Board()->ReadI2C(0x3C, 0x10, 3), (Bytes{0x0A, 0xFF, 0x10}));

    // Without --repeated-start: the sub-address in a write of its own, then a separate read.
    const TkbRun twoStep = Tkb({"i2c", "read", "3C", "10", "3"});
    EXPECT_EQ(twoStep.out, "0A,FF,10\n");
    EXPECT_EQ(LastHeads(boards.TakeFrames(), 2),
              (std::vector<Bytes>{I2COneBlockWrite(0x3C, {0x10}), I2COneBlockRead(0x3C, 3)}));

    const TkbRun combined = Tkb({"i2c", "read", "3C", "11", "2", "--repeated-start"});
    EXPECT_EQ(combined.out, "FF,10\n");
    EXPECT_EQ(LastHeads(boards.TakeFrames(), 1), (std::vector<Bytes>{I2CRead8(0x3C, 0x11, 2)}));

    // 16-bit sub-addresses, high byte first.
    ASSERT_EQ(Tkb({"i2c", "write", "10", "0x1234", "5A", "--word"}).status, kExitDone);
    EXPECT_EQ(LastHeads(boards.TakeFrames(), 1), (std::vector<Bytes>{I2CWrite16(0x10, 0x1234, {0x5A})}));
    EXPECT_EQ(Tkb({"i2c", "read", "10", "1234", "1", "--word"}).out, "5A\n");
    EXPECT_EQ(LastHeads(boards.TakeFrames(), 2),
              (std::vector<Bytes>{I2COneBlockWrite(0x10, {0x12, 0x34}), I2COneBlockRead(0x10, 1)}));
}

TEST(TkbI2c, ASlaveThatDoesNotAnswerFailsWithTheBoardStatus) {
    VirtualBoards boards({"TKB-20"});
    // 0x50 is no device on the bus: the board answers "no acknowledge".
    const TkbRun read = Tkb({"i2c", "read", "50", "0", "1"});
    EXPECT_EQ(read.status, kExitFailed);
    EXPECT_EQ(read.out, "");
    EXPECT_EQ(read.err,
              "tkb i2c read: reading slave 50 failed on board 0: result 0xE0000004 (board status 0x04, "
              "or Windows error 4)\n");
    const TkbRun write = Tkb({"i2c", "write", "50", "0", "1"});
    EXPECT_EQ(write.status, kExitFailed);
    EXPECT_NE(write.err.find("result 0xE0000004"), std::string::npos);
}

TEST(TkbMalformed, AMalformedCommandSendsNothingToAnyBoard) {
    VirtualBoards boards({"TKB-20", "TKB-20U"});
    boards.ForgetFrames();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"i2c", "read", "3C", "10", "0"},
             {"i2c", "write", "3C", "10", "1FF"},
             {"fpga", "write", "10000000"},
             {"-b", "1", "fpga", "read", "zz"},
             {"settings", "set", "NoSuchField=1"},
             {"settings", "set", "UVC_Width=70000"},
             {"update", "fpga", "image.bin", "--no"},
             {"status", "-b", "1"},
         }) {
        const TkbRun run = Tkb(args);
        EXPECT_EQ(run.status, kExitMalformed) << args[0];
        EXPECT_EQ(run.out, "");
        // One line naming the wrong word.
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_TRUE(boards.TakeFrames(0).empty());
    EXPECT_TRUE(boards.TakeFrames(1).empty());
}

TEST(TkbBoardIndex, PicksTheBoardAndRefusesAnIndexWithoutOne) {
    VirtualBoards boards({"TKB-20", "TKB-20U"});
    ASSERT_EQ(Tkb({"-b", "1", "i2c", "write", "3C", "20", "77"}).status, kExitDone);
    EXPECT_EQ(boards.Board(1)->ReadI2C(0x3C, 0x20, 1), (Bytes{0x77}));
    EXPECT_EQ(boards.Board(0)->ReadI2C(0x3C, 0x20, 1), (Bytes{0x00}));

    boards.ForgetFrames();
    const TkbRun missing = Tkb({"-b", "3", "i2c", "write", "3C", "20", "55"});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_EQ(missing.err.rfind("tkb i2c write: board 3 cannot be opened: result 0xF0000001 (", 0), 0u)
        << missing.err;
    // Nothing was written to the board start-up would have fallen back to.
    EXPECT_EQ(boards.Board(0)->ReadI2C(0x3C, 0x20, 1), (Bytes{0x00}));
}

TEST(TkbBoardIndex, NoBoardAtAllNamesTheLibrarysResult) {
    VirtualBoards boards({});
    const TkbRun run = Tkb({"fpga", "read", "0"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(
        run.err,
        "tkb fpga read: board 0 cannot be opened: result 0xF0000001 (the board's driver cannot be opened: no "
        "board at that index, or it is unplugged)\n");
}

TEST(TkbFpga, ReadsRegistersOnePerLineAndWritesMostSignificantByteFirst) {
    VirtualBoards boards({"TKB-20U"});
    boards.ForgetFrames();
    ASSERT_EQ(Tkb({"fpga", "write", "28000000", "0x01020304"}).status, kExitDone);
    EXPECT_EQ(LastHeads(boards.TakeFrames(), 1), (std::vector<Bytes>{FpgaWrite(0x28000000, {1, 2, 3, 4})}));
    EXPECT_EQ(boards.Board()->ReadFpga(0x28000000), 0x01020304u);

    const TkbRun read = Tkb({"fpga", "read", "080000D0", "4"});
    EXPECT_EQ(read.out,
              "0x080000D0 0x00000054\n0x080000D4 0x00000055\n0x080000D8 0x0000004B\n0x080000DC 0x0000004D\n");
    EXPECT_EQ(LastHeads(boards.TakeFrames(), 4),
              (std::vector<Bytes>{FpgaRead(0x080000D0, 4), FpgaRead(0x080000D4, 4), FpgaRead(0x080000D8, 4),
                                  FpgaRead(0x080000DC, 4)}));
}

TEST(TkbFpga, FailedReadsAreReportedNotTakenForZeros) {
    // The wrapper counts FPGA reads and two-step reads as done whatever the board answers; the
    // session's reads hand the board's status on.
    VirtualBoards boards({"TKB-20U"});
    std::ostringstream err;
    ConsoleMessages messages(err, "test");
    BoardSession session(0, messages);
    std::vector<uint32_t> values(2, 0xAAAAAAAA);
    boards.Board()->FailNextCommands(1, 0x01);
    EXPECT_EQ(static_cast<uint32_t>(session.ReadFpga(0x10000040, values)), 0xE0000001u);
    Bytes bytes(1);
    boards.Board()->FailNextCommands(1, 0x02);
    EXPECT_EQ(static_cast<uint32_t>(session.ReadI2c(0x3C, 0, false, false, bytes)), 0xE0000002u);
    // The board is closed after each: the next command opens it.
    EXPECT_EQ(session.ReadFpga(0x10000040, values), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(values, (std::vector<uint32_t>{1920, 1080}));
}

TEST(TkbDump, PrintsATableInTheMannerOfI2cdump) {
    VirtualBoards boards({"TKB-20"});
    boards.Board()->WriteI2C(0x3C, 0x00, {'T', 'K', 'B', 0x00, 0x7F, 0x20});
    const TkbRun run = Tkb({"dump", "3C", "0", "1F"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const std::string header = "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\n";
    EXPECT_EQ(run.out.substr(0, header.size()), header);
    EXPECT_NE(run.out.find("00: 54 4b 42 00 7f 20 "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("   TKB.. "), std::string::npos) << run.out;

    // A range that starts inside a row leaves the registers before it blank.
    const TkbRun part = Tkb({"dump", "3C", "04", "05"});
    EXPECT_NE(part.out.find("00:             7f 20 "), std::string::npos) << part.out;
}

TEST(TkbDump, ASettingFileDumpRestoresTheRegistersThroughRun) {
    VirtualBoards boards({"TKB-20"});
    const Bytes original = Pattern(0x40, 3);
    boards.Board()->WriteI2C(0x3C, 0x00, original);

    const TkbRun dump = Tkb({"dump", "3C", "00", "3F", "--setting-file"});
    ASSERT_EQ(dump.status, kExitDone) << dump.err;
    EXPECT_EQ(dump.out.rfind("SLAVE 3C\r\n", 0), 0u);
    EXPECT_EQ(std::count(dump.out.begin(), dump.out.end(), '\n'), 5);
    EXPECT_EQ(std::count(dump.out.begin(), dump.out.end(), '\r'), 5);
    const std::filesystem::path file = boards.path() / "dump.txt";
    WriteFile(file, dump.out);

    boards.Board()->WriteI2C(0x3C, 0x00, Bytes(0x40, 0xEE));
    const TkbRun run = Tkb({"run", file.string()});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_EQ(boards.Board()->ReadI2C(0x3C, 0x00, 0x40), original);
}

TEST(TkbDump, WordAddressedRoundTrip) {
    VirtualBoards boards({"TKB-20"});
    const Bytes original = Pattern(0x20, 9);
    boards.Board()->WriteI2C(0x10, 0x3000, original);
    const TkbRun dump = Tkb({"dump", "10", "3000", "301F", "--word", "--setting-file"});
    ASSERT_EQ(dump.status, kExitDone) << dump.err;
    EXPECT_NE(dump.out.find("\r\n3010 "), std::string::npos);
    const std::filesystem::path file = boards.path() / "word.txt";
    WriteFile(file, dump.out);
    boards.Board()->WriteI2C(0x10, 0x3000, Bytes(0x20, 0));
    ASSERT_EQ(Tkb({"run", file.string(), "--word"}).status, kExitDone);
    EXPECT_EQ(boards.Board()->ReadI2C(0x10, 0x3000, 0x20), original);
}

TEST(TkbRun, DryRunPrintsWritesAndWaitsAndTouchesNoBoard) {
    VirtualBoards boards({"TKB-20"});
    const std::filesystem::path file = boards.path() / "init.txt";
    WriteFile(file, "SLAVE 3C\r\n10 01 02\r\nwt 64\r\nSLAVE 8\r\n10000000 00 00 01 00\r\n");
    boards.ForgetFrames();
    const TkbRun run = Tkb({"run", file.string(), "--dry-run"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_EQ(run.out,
              "write slave 3C register 10: 01,02\n"
              "wait 100 ms\n"
              "write slave 08 register 10000000: 00,00,01,00\n");
    EXPECT_TRUE(boards.TakeFrames().empty());
}

TEST(TkbRun, WritesThroughTheProgramsRunnerWithItsMessages) {
    VirtualBoards boards({"TKB-20"});
    const std::filesystem::path file = boards.path() / "init.txt";
    WriteFile(file, "10 01 02\r\n");
    // No SLAVE line: the first slave must come from --slave, and nothing is sent without it.
    boards.ForgetFrames();
    const TkbRun refused = Tkb({"run", file.string()});
    EXPECT_EQ(refused.status, kExitMalformed);
    EXPECT_NE(refused.err.find("line 1"), std::string::npos);
    EXPECT_TRUE(boards.TakeFrames().empty());

    ASSERT_EQ(Tkb({"run", file.string(), "--slave", "3C"}).status, kExitDone);
    EXPECT_EQ(LastHeads(boards.TakeFrames(), 1), (std::vector<Bytes>{I2CWrite8(0x3C, 0x10, {1, 2})}));

    // A data line the board refuses stops the file with the program's message.
    WriteFile(file, "SLAVE 50\r\n10 01\r\n");
    const TkbRun failed = Tkb({"run", file.string()});
    EXPECT_EQ(failed.status, kExitFailed);
    EXPECT_EQ(failed.err,
              "tkb run: Initialize camera register failed. Retry or restart the application and board.\n");

    const TkbRun missing = Tkb({"run", (boards.path() / "none.txt").string()});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_NE(missing.err.find("Failed to open setting file."), std::string::npos);

    WriteFile(file, "SLAVE 3C\r\n10 zz\r\n");
    const TkbRun bad = Tkb({"run", file.string()});
    EXPECT_EQ(bad.status, kExitFailed);
    EXPECT_EQ(bad.err, "tkb run: Setting file line 2: \"zz\" is not a number. Nothing was written.\n");
}

TEST(TkbStatus, PrintsTheStatusReportAndWatchEndsOnInterrupt) {
    VirtualBoards boards({"TKB-20U-MIPI"});
    const TkbRun run = Tkb({"status"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
    EXPECT_NE(run.out.find("LANE_CONTROL = 0x0004\nCSI2_DATA_TYPE = 0x1E\nCTRL_STTS = 1\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("TCB_DEPP = 1920\n"), std::string::npos);

    // Interrupted during the first pause: one report, then the end, board closed.
    int polls = 0;
    TkbOptions options;
    options.interrupted = [&] { return ++polls > 2; };
    const TkbRun watch = Tkb({"status", "--watch"}, options);
    EXPECT_EQ(watch.status, kExitDone);
    EXPECT_EQ(watch.out, run.out + "\n");
    EXPECT_EQ(Tkb({"fpga", "read", "18000000"}).status, kExitDone);  // not left open
}

TEST(TkbStatus, WatchEndsWithAFailureWhenTheBoardIsUnplugged) {
    VirtualBoards boards({"TKB-20"});
    std::shared_ptr<tkbsim::Board> board = boards.Board();
    int polls = 0;
    TkbOptions options;
    options.interrupted = [&] {
        if (++polls == 3)
            board->Unplug();
        return false;
    };
    const TkbRun watch = Tkb({"status", "--watch"}, options);
    EXPECT_EQ(watch.status, kExitFailed);
    EXPECT_NE(watch.err.find("tkb status: opening the board failed on board 0: result 0x"), std::string::npos)
        << watch.err;
}

}  // namespace
}  // namespace tkbctl::cli::test
