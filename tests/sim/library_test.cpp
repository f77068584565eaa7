// The simulated-boards build of the library, through its C exports, against virtual boards of every
// model: registers, flash, version and identity, faults as result codes, and what several processes
// see of one board. The program links the library file itself (the shared library natively, the
// DLL under Wine) and starts copies of itself for the cross-process roles (see RunRole).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <thread>

#include "TKR50API.h"
#include "child_process.h"
#include "sim_test_support.h"
#include "tkbsim/fpga_registers.h"

namespace tkbsim::test {
namespace {

namespace fs = std::filesystem;
using tkbsim::BoardFolder;
using tkbsim::ModelInfo;

constexpr int32_t kSuccess = TKRUSB20_RET_SUCCESS;
// Boards of the shared folder: one per model in table order, then spares for the tests that
// unplug or break one.
constexpr uint32_t kSpareBoard = tkbsim::kModels.size();
constexpr uint32_t kCrossProcessBoard = kSpareBoard + 1;

fs::path& BoardFolderPath() {
    static fs::path path;
    return path;
}

std::shared_ptr<tkbsim::Board> OpenBoardFile(uint32_t number) {
    return BoardFolder(BoardFolderPath().string()).Open(number);
}

int32_t ErrorCode(uint32_t n) {
    return static_cast<int32_t>(0xE0000000u | n);
}

// The identification table of the control program's start-up, as the oracle for the boards' identity.
std::pair<std::string, int> Identify(const uint8_t* version, char a, char b) {
    const bool qualifies = version[1] > 1 || version[2] != 0;
    if (!qualifies) {
        a = b = 0;
    }
    if (a == 'K')
        return {"TKR-90", 10};
    if ((a == 'S' || a == 'R') && b == 'U')
        return {"TKB-20U-MIPI", 1};
    if (a == 'S' || a == 'R')
        return {"TKB-20-MIPI", 0};
    if (b == 'W')
        return {"TKB-20W", 4};
    if (b == 'U')
        return {"TKB-20U", 1};
    if (a == 'O' && b == 'V')
        return {"TKF-20", 1};
    if (a == 'O')
        return {"TKD-20", 0};
    if (b == 'M')
        return {"TKB-20", 0};
    if (qualifies && version[0] >= 90 && version[0] <= 99)
        return {"TKR-50U", 2};
    if (qualifies && version[0] >= 100 && version[0] <= 199)
        return {"TKB-20", 0};
    if (qualifies)
        return {"TKB-20U", 1};
    return {"RJQ-10", 3};
}

uint32_t ReadFpga(uint32_t address) {
    uint8_t value[4] = {};
    EXPECT_EQ(TKR50API_SPIFpgaRead(0x07, 0x99, address, 4, value), kSuccess);
    return FromBe32(value);
}

// One open connection for a test, closed at its end (a failed check must not leave the flag set).
class Connection {
public:
    explicit Connection(uint32_t board) { result_ = TKR50API_Open(2, board); }
    ~Connection() {
        if (result_ == kSuccess) {
            TKR50API_Close(2);
        }
    }
    int32_t Result() const { return result_; }

private:
    int32_t result_;
};

class EveryModel : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override {
        ASSERT_NE(TKR50API_Init(), nullptr);
        connection_ = std::make_unique<Connection>(static_cast<uint32_t>(GetParam()));
        ASSERT_EQ(connection_->Result(), kSuccess);
    }
    void TearDown() override {
        connection_.reset();
        TKR50API_End();
    }
    const ModelInfo& Model() const { return tkbsim::kModels[GetParam()]; }

    std::unique_ptr<Connection> connection_;
};

TEST_P(EveryModel, VersionAndLettersIdentifyTheModel) {
    uint8_t version[10] = {};
    ASSERT_EQ(TKR50API_TKBVersionInfo(10, version), kSuccess);
    EXPECT_EQ(version[0], Model().fx3Version);
    EXPECT_EQ(version[1], Model().fpgaMinor);
    EXPECT_EQ(version[2], Model().fpgaMajor);
    const char a = static_cast<char>(ReadFpga(tkr::kRegIdentA) & 0xFF);
    const char b = static_cast<char>(ReadFpga(tkr::kRegIdentB) & 0xFF);
    const auto [name, type] = Identify(version, a, b);
    EXPECT_EQ(name, Model().name);
    EXPECT_EQ(type, Model().boardType);
}

TEST_P(EveryModel, I2CBlockAndOneBlockAccessWithBothSubAddressWidths) {
    const uint8_t data[3] = {0x11, 0x22, 0x33};
    uint8_t read[3] = {};
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x40, 3, data, 0), kSuccess);
    EXPECT_EQ(TKR50API_I2CBlockRead(0x3C, 0x40, 3, read, 0), kSuccess);
    EXPECT_EQ(Bytes(read, read + 3), Bytes(data, data + 3));

    EXPECT_EQ(TKR50API_I2CBlockWrite(0x10, 0x1234, 3, data, 1), kSuccess);
    EXPECT_EQ(TKR50API_I2CBlockRead(0x10, 0x1234, 3, read, 1), kSuccess);
    EXPECT_EQ(Bytes(read, read + 3), Bytes(data, data + 3));

    // The control program's two-step read: the sub-address by a one-block write, then a one-block read.
    const uint8_t subAddress[2] = {0x30, 0x0A};
    EXPECT_EQ(TKR50API_I2COneBlockWrite(0x10, 2, 0, subAddress), kSuccess);
    EXPECT_EQ(TKR50API_I2COneBlockRead(0x10, 2, 0, read), kSuccess);
    EXPECT_EQ(Bytes(read, read + 2), (Bytes{0x56, 0x40}));
    const uint8_t oneByte = 0x41;
    EXPECT_EQ(TKR50API_I2COneBlockWrite(0x3C, 1, 0, &oneByte), kSuccess);
    EXPECT_EQ(TKR50API_I2COneBlockRead(0x3C, 2, 0, read), kSuccess);
    EXPECT_EQ(Bytes(read, read + 2), (Bytes{0x22, 0x33}));

    EXPECT_EQ(TKR50API_I2CBlockRead(0x50, 0, 1, read, 0), ErrorCode(tkbsim::kStatusNoAcknowledge));
}

TEST_P(EveryModel, FpgaRegistersAndTheSettingsBlock) {
    const uint8_t value[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t read[8] = {};
    EXPECT_EQ(TKR50API_SPIFpgaWrite(0x08, 0x99, 0x20000000, 8, value), kSuccess);
    EXPECT_EQ(TKR50API_SPIFpgaRead(0x07, 0x99, 0x20000000, 8, read), kSuccess);
    EXPECT_EQ(Bytes(read, read + 8), Bytes(value, value + 8));
    EXPECT_EQ(ReadFpga(tkr::kRegTcbDepr), 1080u);

    uint8_t block[512] = {};
    ASSERT_EQ(TKR50API_SPIRead(0x03, 0xE7, Model().settingsAddress, 512, block), kSuccess);
    EXPECT_EQ(block[0x80], 0x55);
    EXPECT_EQ(block[0x81], 0x55);
    EXPECT_EQ(block[0xA0], 0x11);

    const Bytes settings = Pattern(256, 7);
    uint8_t back[256] = {};
    EXPECT_EQ(TKR50API_TKBSettingWrite(256, settings.data()), kSuccess);
    EXPECT_EQ(TKR50API_TKB20USettingRead(256, back), kSuccess);
    EXPECT_EQ(Bytes(back, back + 256), settings);
}

TEST_P(EveryModel, ImagesProgramAndReadBackAtEveryExportsAddress) {
    const struct {
        int32_t (*update)(uint32_t, const uint8_t*);
        int32_t (*read)(uint32_t, uint8_t*);
        uint32_t address;
    } exports[] = {
        {TKR50API_TKBFX3Update, TKR50API_TKBFX3BootMemRead, 0x100000},
        {TKR50API_TKBFPGAUpdate, TKR50API_TKBFPGABootMemRead, 0x000000},
        {TKR50API_TKB20UFX3Update, TKR50API_TKB20UFX3BootMemRead, 0x180000},
        {TKR50API_TKB20UFPGAUpdate, TKR50API_TKB20UFPGABootMemRead, 0x080000},
    };
    auto board = OpenBoardFile(static_cast<uint32_t>(GetParam()));
    uint32_t seed = 10;
    for (const auto& e : exports) {
        const Bytes image = Pattern(5000, seed++);
        Bytes back(image.size());
        EXPECT_EQ(e.update(static_cast<uint32_t>(image.size()), image.data()), kSuccess);
        EXPECT_EQ(e.read(static_cast<uint32_t>(back.size()), back.data()), kSuccess);
        EXPECT_EQ(back, image) << std::hex << e.address;
        EXPECT_EQ(board->ReadFlash(e.address, 5000), image) << std::hex << e.address;
    }
    const Bytes image = Pattern(70000, seed);
    Bytes back(image.size());
    EXPECT_EQ(TKR50API_Update(0x300000, static_cast<uint32_t>(image.size()), image.data()), kSuccess);
    EXPECT_EQ(TKR50API_TKBSPIBootMemRead(0x300000, static_cast<uint32_t>(back.size()), back.data()),
              kSuccess);
    EXPECT_EQ(back, image);
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0x300000, 4, image.data()), kSuccess);
}

std::string ModelName(const ::testing::TestParamInfo<size_t>& info) {
    std::string name = tkbsim::kModels[info.param].name;
    for (char& c : name) {
        c = c == '-' ? '_' : c;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Boards, EveryModel, ::testing::Range<size_t>(0, tkbsim::kModels.size()), ModelName);

class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(TKR50API_Init(), nullptr);
        board_ = OpenBoardFile(kSpareBoard);
        board_->ClearFaults();
        board_->Plug();
    }
    void TearDown() override {
        board_->ClearFaults();
        board_->Plug();
        TKR50API_End();
    }
    std::shared_ptr<tkbsim::Board> board_;
    const uint8_t byte_ = 0x5A;
};

TEST_F(Faults, ForcedStatusAndSystemErrorsBecomeResultCodes) {
    Connection connection(kSpareBoard);
    ASSERT_EQ(connection.Result(), kSuccess);
    board_->FailNextCommands(1, 0x05);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x00, 1, &byte_, 0), static_cast<int32_t>(0xE0000005));
    board_->FailNextRequests(1, 31);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x00, 1, &byte_, 0), static_cast<int32_t>(0xE000001F));
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x00, 1, &byte_, 0), kSuccess);
    const uint8_t two[2] = {1, 2};
    EXPECT_EQ(TKR50API_SPIWrite(0x04, 0xE7, 0xFFFFFF, 2, two), ErrorCode(tkbsim::kStatusOutOfRange));
    EXPECT_EQ(TKR50API_SPIWrite(0x04, 0x42, 0x000000, 2, two), ErrorCode(tkbsim::kStatusUnknownCommand));
}

TEST_F(Faults, ShortReplyIsNotAnError) {
    Connection connection(kSpareBoard);
    ASSERT_EQ(connection.Result(), kSuccess);
    board_->CutNextReply(1);
    uint8_t read[4] = {};
    EXPECT_EQ(TKR50API_I2CBlockRead(0x3C, 0x0A, 4, read, 0), kSuccess);
}

TEST_F(Faults, BoardWithoutAnEndpointCannotBeOpened) {
    board_->RemoveEndpoint(0x84);
    EXPECT_EQ(TKR50API_Open(2, kSpareBoard), static_cast<int32_t>(TKRUSB20_RET_ERROR_DRIVER_OPEN));
    Connection another(0);
    EXPECT_EQ(another.Result(), kSuccess) << "the failed open left the flag clear";
}

TEST_F(Faults, BadFlashShowsOnlyInTheReadBack) {
    Connection connection(kSpareBoard);
    ASSERT_EQ(connection.Result(), kSuccess);
    board_->SetBadFlash(0x100100, 16);
    const Bytes image = Pattern(4096, 20);
    Bytes back(image.size());
    EXPECT_EQ(TKR50API_TKBFX3Update(4096, image.data()), kSuccess);
    EXPECT_EQ(TKR50API_TKBFX3BootMemRead(4096, back.data()), kSuccess);
    EXPECT_NE(back, image);
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 0x100), Bytes(image.begin(), image.begin() + 0x100));
}

TEST_F(Faults, UnpluggedBoardFailsItsKeptHandleAndLeavesTheEnumeration) {
    {
        Connection connection(kSpareBoard);
        ASSERT_EQ(connection.Result(), kSuccess);
    }
    // After Close the library keeps the device handle, and transfers still reach the board.
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x00, 1, &byte_, 0), kSuccess);
    board_->Unplug();
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x00, 1, &byte_, 0), ErrorCode(1167));
    // One board fewer: the last board's index is past the end of the enumeration now.
    EXPECT_EQ(TKR50API_Open(2, kCrossProcessBoard), static_cast<int32_t>(TKRUSB20_RET_ERROR_DRIVER_OPEN));
    board_->Plug();
    Connection again(kSpareBoard);
    EXPECT_EQ(again.Result(), kSuccess);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x00, 1, &byte_, 0), kSuccess);
}

TEST_F(Faults, RestartRegisterRestartsTheBoard) {
    Connection connection(kSpareBoard);
    ASSERT_EQ(connection.Result(), kSuccess);
    const uint32_t before = board_->Info().restarts;
    const uint8_t restart[4] = {0, 0, 0, 0x80};
    EXPECT_EQ(TKR50API_SPIFpgaWrite(0x08, 0x99, tkr::kRegRestart, 4, restart), kSuccess);
    EXPECT_EQ(board_->Info().restarts, before + 1);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x00, 1, &byte_, 0), kSuccess) << "the connection survives";
}

// Cross-process roles. Exit codes: 0 done, 2 Open found another process's connection, 3 failure.
constexpr int kOk = 0;
constexpr int kDoubleOpen = 2;
constexpr int kFailed = 3;
constexpr int kNoBoard = 4;
constexpr int kHammerExchanges = 400;

int OpenSpinning(uint32_t board) {
    for (;;) {
        const int32_t result = TKR50API_Open(2, board);
        if (result != TKRUSB20_RET_ERROR_DOUBLE_OPEN) {
            return result;
        }
        std::this_thread::yield();
    }
}

int RunRole(const std::vector<std::string>& args) {
    const std::string& role = args[0];
    const fs::path signals = args.size() > 1 ? fs::path(args[1]) : fs::path();
    if (role == "beside") {
        SetEnvironment("TKBSIM_DIR", "");
    }
    if (!TKR50API_Init()) {
        return kFailed;
    }
    if (role == "hold") {
        if (TKR50API_Open(2, kCrossProcessBoard) != kSuccess) {
            return kFailed;
        }
        tkr::test::WriteSignalFile(signals / "opened");
        const bool released = tkr::test::WaitForFile(signals / "release");
        return TKR50API_Close(2) == kSuccess && released ? kOk : kFailed;
    }
    if (role == "try-open") {
        const int32_t result = TKR50API_Open(2, kCrossProcessBoard);
        if (result == kSuccess) {
            TKR50API_Close(2);
        }
        return result == kSuccess ? kOk : result == TKRUSB20_RET_ERROR_DOUBLE_OPEN ? kDoubleOpen : kFailed;
    }
    if (role == "hammer") {
        // Opens once, closes, and then works on the kept handle as the control program's direct
        // writes do, so that two hammering processes need not take turns at the open flag.
        const auto subAddress = static_cast<uint8_t>(std::stoi(args[2]));
        if (OpenSpinning(kCrossProcessBoard) != kSuccess || TKR50API_Close(2) != kSuccess) {
            return kFailed;
        }
        tkr::test::WaitForFile(signals / "go");
        for (int i = 0; i < kHammerExchanges; ++i) {
            const auto value = static_cast<uint8_t>(i);
            uint8_t read = 0;
            if (TKR50API_I2CBlockWrite(0x3C, subAddress, 1, &value, 0) != kSuccess ||
                TKR50API_I2CBlockRead(0x3C, subAddress, 1, &read, 0) != kSuccess || read != value) {
                return kFailed;
            }
        }
        return kOk;
    }
    if (role == "write-state" || role == "read-state") {
        if (OpenSpinning(kCrossProcessBoard) != kSuccess) {
            return kFailed;
        }
        const Bytes flash = Pattern(600, 99);
        const Bytes reg = {0xCA, 0xFE, 0xF0, 0x0D};
        bool ok = true;
        if (role == "write-state") {
            ok = TKR50API_TKBSPIBootMemUpdate(0x500000, 600, flash.data()) == kSuccess &&
                 TKR50API_SPIFpgaWrite(0x08, 0x99, 0x20000100, 4, reg.data()) == kSuccess;
        } else {
            Bytes backFlash(600);
            Bytes backReg(4);
            ok = TKR50API_TKBSPIBootMemRead(0x500000, 600, backFlash.data()) == kSuccess &&
                 TKR50API_SPIFpgaRead(0x07, 0x99, 0x20000100, 4, backReg.data()) == kSuccess &&
                 backFlash == flash && backReg == reg;
        }
        return TKR50API_Close(2) == kSuccess && ok ? kOk : kFailed;
    }
    if (role == "beside") {
        // The folder beside the library file, with the environment variable gone.
        const int32_t result = TKR50API_Open(2, 0);
        if (result == kSuccess) {
            TKR50API_Close(2);
        }
        return result == kSuccess ? kOk : result == TKRUSB20_RET_ERROR_DRIVER_OPEN ? kNoBoard : kFailed;
    }
    return kFailed;
}

class CrossProcess : public ::testing::Test {
protected:
    void SetUp() override { board_ = OpenBoardFile(kCrossProcessBoard); }
    TempFolder signals_{"signals"};
    std::shared_ptr<tkbsim::Board> board_;
};

TEST_F(CrossProcess, SecondProcessCannotOpenUntilTheFirstCloses) {
    tkr::test::ChildProcess holder({"hold", signals_.Str()});
    ASSERT_TRUE(holder.Started());
    ASSERT_TRUE(tkr::test::WaitForFile(signals_.Path() / "opened"));
    tkr::test::ChildProcess blocked({"try-open", signals_.Str()});
    EXPECT_EQ(blocked.Wait(), kDoubleOpen);
    tkr::test::WriteSignalFile(signals_.Path() / "release");
    EXPECT_EQ(holder.Wait(), kOk);
    tkr::test::ChildProcess after({"try-open", signals_.Str()});
    EXPECT_EQ(after.Wait(), kOk);
}

TEST_F(CrossProcess, TwoProcessesHammeringOneBoardNeverMixTheirFrames) {
    board_->ClearLog();
    tkr::test::ChildProcess a({"hammer", signals_.Str(), "32"});
    tkr::test::ChildProcess b({"hammer", signals_.Str(), "48"});
    tkr::test::WriteSignalFile(signals_.Path() / "go");
    // The test tool works on the same board meanwhile.
    for (uint32_t i = 0; i < 200; ++i) {
        board_->WriteFpga(0x20000200, i);
        ASSERT_EQ(board_->ReadFpga(0x20000200), i);
    }
    EXPECT_EQ(a.Wait(), kOk);
    EXPECT_EQ(b.Wait(), kOk);

    uint64_t overwritten = 0;
    const auto frames = board_->Log(overwritten);
    ASSERT_EQ(overwritten, 0u);
    ASSERT_EQ(frames.size(), 4u * kHammerExchanges);
    std::map<uint32_t, std::vector<const tkbsim::LoggedFrame*>> bySender;
    for (const auto& frame : frames) {
        bySender[frame.pid].push_back(&frame);
    }
    ASSERT_EQ(bySender.size(), 2u);
    for (const auto& [pid, sent] : bySender) {
        ASSERT_EQ(sent.size(), 2u * kHammerExchanges);
        const uint8_t subAddress = sent[0]->head[2];
        for (int i = 0; i < kHammerExchanges; ++i) {
            EXPECT_EQ(sent[2 * i]->head, (Bytes{0x01, 0x78, subAddress, static_cast<uint8_t>(i)}));
            EXPECT_EQ(sent[2 * i + 1]->head, (Bytes{0x00, 0x78, subAddress, 1}));
        }
    }
    const uint8_t last = static_cast<uint8_t>(kHammerExchanges - 1);
    EXPECT_EQ(board_->ReadI2C(0x3C, 32, 1), Bytes{last});
    EXPECT_EQ(board_->ReadI2C(0x3C, 48, 1), Bytes{last});
}

TEST_F(CrossProcess, StateWrittenByOneProcessIsReadByAnotherAndOutlivesBoth) {
    tkr::test::ChildProcess writer({"write-state", signals_.Str()});
    EXPECT_EQ(writer.Wait(), kOk);
    tkr::test::ChildProcess reader({"read-state", signals_.Str()});
    EXPECT_EQ(reader.Wait(), kOk);
    EXPECT_EQ(board_->ReadFlash(0x500000, 600), Pattern(600, 99));
    EXPECT_EQ(board_->ReadFpga(0x20000100), 0xCAFEF00Du);
}

fs::path LibraryDirectory() {
#if defined(_WIN32)
    return ProgramPath().parent_path();  // the DLL is found beside the program
#else
    return TKBSIM_LIBRARY_DIR;
#endif
}

TEST(DefaultFolder, BesideTheLibraryFileWhenTheVariableIsUnset) {
    const fs::path beside = LibraryDirectory() / "tkbsim-boards";
    TempFolder signals("beside");
    {
        tkr::test::ChildProcess none({"beside", signals.Str()});
        EXPECT_EQ(none.Wait(), kNoBoard) << "no folder: no board";
    }
    BoardFolder(beside.string()).Create({tkbsim::NewBoard{tkbsim::FindModel("TKB-20")}});
    tkr::test::ChildProcess found({"beside", signals.Str()});
    const int status = found.Wait();
    std::error_code error;
    fs::remove_all(beside, error);
    EXPECT_EQ(status, kOk);
}

}  // namespace
}  // namespace tkbsim::test

int main(int argc, char** argv) {
    using namespace tkbsim::test;
    if (argc > 1 && std::string(argv[1]).rfind("--gtest", 0) != 0) {
        return RunRole(std::vector<std::string>(argv + 1, argv + argc));
    }
    // One folder for the whole run: the library takes its driver, and so its folder, at its first
    // Open. The children inherit it through the environment.
    TempFolder folder("library");
    BoardFolderPath() = folder.Path();
    std::vector<tkbsim::NewBoard> newBoards;
    for (const ModelInfo& model : tkbsim::kModels) {
        newBoards.push_back(tkbsim::NewBoard{&model});
    }
    newBoards.push_back(tkbsim::NewBoard{tkbsim::FindModel("TKB-20")});   // kSpareBoard
    newBoards.push_back(tkbsim::NewBoard{tkbsim::FindModel("TKB-20U")});  // kCrossProcessBoard
    BoardFolder(folder.Str()).Create(newBoards);
    SetEnvironment("TKBSIM_DIR", folder.Str());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
