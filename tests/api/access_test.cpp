// Register access and flash services, frame by frame: the checks in their order, the bytes that go
// out, the reply lengths asked for, and how status bytes come back.
#include <cstring>

#include "frame/library_state.h"
#include "library_fixture.h"
#include "tkr/protocol.h"

namespace tkr::test {
namespace {

using Frames = std::vector<std::vector<uint8_t>>;

class AccessTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        OpenBoard();
    }
};

constexpr int32_t kParam = TKRUSB20_RET_ERROR_PARAM;

TEST_F(AccessTest, I2CFrames) {
    const uint8_t two[] = {0xD0, 0xD1};
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x1234, 2, two, 1), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0x1234, 2, two, 0), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0, {1, 2, 3, 4});
    uint8_t four[4] = {};
    EXPECT_EQ(TKR50API_I2CBlockRead(0x21, 0x10, 4, four, 0), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(std::vector<uint8_t>(four, four + 4), Bytes({1, 2, 3, 4}));
    driver->QueueReply(0, {9});
    EXPECT_EQ(TKR50API_I2CBlockRead(0x21, 0xABCD, 1, four, 1), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(four[0], 9);

    EXPECT_EQ(driver->Writes(),
              (Frames{Bytes({0x01, 0x78, 0x12, 0x34, 0xD0, 0xD1}),
                      Bytes({0x01, 0x78, 0x34, 0xD0, 0xD1}),  // low byte only
                      Bytes({0x00, 0x42, 0x10, 0x04}), Bytes({0x02, 0x42, 0xAB, 0xCD, 0x01})}));
    EXPECT_EQ(driver->ReadSizes(), (std::vector<uint32_t>{1, 1, 5, 2}));
}

TEST_F(AccessTest, OneBlockFramesAndDelays) {
    const uint8_t sub[] = {0x30, 0x0A};
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_I2COneBlockWrite(0x21, 2, 0x80000005, sub), TKRUSB20_RET_SUCCESS);
    uint8_t buffer[3] = {};
    driver->QueueReply(0, {7, 8, 9});
    EXPECT_EQ(TKR50API_I2COneBlockRead(0x21, 3, 0, buffer), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0, {7, 8, 9});
    // Bits 30-15 are ignored; bit 31 clears the third byte.
    EXPECT_EQ(TKR50API_I2COneBlockRead(0x21, 3, 0xFFFF8000, buffer), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->Writes(), (Frames{Bytes({0x01, 0x43, 0x30, 0x0A}), Bytes({0x00, 0x43, 0x01, 0x03}),
                                        Bytes({0x00, 0x43, 0x00, 0x03})}));
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{50, 0, 0}));

    // The delay follows a failed exchange too (here a board status), but not a failed check.
    sleeps.clear();
    driver->QueueReply(0x12);
    EXPECT_EQ(TKR50API_I2COneBlockWrite(0x21, 1, 0x7FFF, sub), static_cast<int32_t>(0xE0000012));
    EXPECT_EQ(TKR50API_I2COneBlockWrite(0x80, 1, 0x7FFF, sub), kParam);
    EXPECT_EQ(sleeps, std::vector<uint32_t>{327670});
}

TEST_F(AccessTest, SpiAndFpgaFrames) {
    std::vector<uint8_t> block(512, 0x5A);
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_SPIWrite(0x04, 0xE7, 0x1F0000, 512, block.data()), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0, {0x11, 0x22});
    uint8_t two[2] = {};
    EXPECT_EQ(TKR50API_SPIRead(0x03, 0xE7, 0xFFFFFF, 2, two), TKRUSB20_RET_SUCCESS);
    const uint8_t value[] = {0x00, 0x00, 0x01, 0x00};
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_SPIFpgaWrite(0x08, 0x99, 0x10000000, 4, value), TKRUSB20_RET_SUCCESS);
    uint8_t four[4] = {};
    driver->QueueReply(0, {0xDE, 0xAD, 0xBE, 0xEF});
    EXPECT_EQ(TKR50API_SPIFpgaRead(0x07, 0x99, 0x080000D0, 4, four), TKRUSB20_RET_SUCCESS);

    const Frames writes = driver->Writes();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(writes[0].begin(), writes[0].begin() + 8),
              Bytes({0x04, 0xE7, 0x1F, 0x00, 0x00, 0x00, 0x02, 0x00}));
    EXPECT_EQ(writes[0].size(), 520u);
    EXPECT_EQ(writes[1], Bytes({0x03, 0xE7, 0xFF, 0xFF, 0xFF, 0x00, 0x02}));
    EXPECT_EQ(writes[2],
              Bytes({0x08, 0x99, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(writes[3], Bytes({0x07, 0x99, 0x08, 0x00, 0x00, 0xD0, 0x00, 0x04}));
    EXPECT_EQ(std::vector<uint8_t>(four, four + 4), Bytes({0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(two[1], 0x22);
}

TEST_F(AccessTest, ChecksRefuseBeforeAnythingIsSent) {
    uint8_t buffer[1024] = {};
    // Packet sizes are 512 here.
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x80, 0, 1, buffer, 0), kParam);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x7F, 0, 513, buffer, 0), kParam);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x7F, 0, 2, nullptr, 0), kParam);
    EXPECT_EQ(TKR50API_I2CBlockRead(0x7F, 0, 1, nullptr, 0), kParam);
    EXPECT_EQ(TKR50API_I2CBlockRead(0x80, 0, 1, buffer, 0), kParam);
    EXPECT_EQ(TKR50API_I2CBlockRead(0x7F, 0, 256, buffer, 0), kParam) << "count must fit its byte";
    EXPECT_EQ(TKR50API_I2COneBlockRead(0x7F, 256, 0, buffer), kParam);
    EXPECT_EQ(TKR50API_I2COneBlockWrite(0x7F, 1, 0, nullptr), kParam);
    EXPECT_EQ(TKR50API_SPIWrite(4, 0xE7, 0x1000000, 1, buffer), kParam);
    EXPECT_EQ(TKR50API_SPIWrite(4, 0xE7, 0, 0x1000000, buffer), kParam);
    EXPECT_EQ(TKR50API_SPIWrite(4, 0xE7, 0, 1, nullptr), kParam);
    EXPECT_EQ(TKR50API_SPIRead(3, 0xE7, 0, 513, buffer), kParam);
    EXPECT_EQ(TKR50API_SPIRead(3, 0xE7, 0x1000000, 1, buffer), kParam);
    EXPECT_EQ(TKR50API_SPIRead(3, 0xE7, 0, 1, nullptr), kParam);
    EXPECT_EQ(TKR50API_SPIFpgaWrite(8, 0x99, 0, 0, buffer), kParam);
    EXPECT_EQ(TKR50API_SPIFpgaWrite(8, 0x99, 0, 4, nullptr), kParam);
    EXPECT_EQ(TKR50API_SPIFpgaWrite(8, 0x99, 0, 0x1000000, buffer), kParam);
    EXPECT_EQ(TKR50API_SPIFpgaRead(7, 0x99, 0, 513, buffer), kParam);
    EXPECT_EQ(TKR50API_SPIFpgaRead(7, 0x99, 0, 4, nullptr), kParam);
    EXPECT_EQ(TKR50API_TKBSettingRead(513, buffer), kParam);
    EXPECT_EQ(TKR50API_TKBVersionInfo(256, buffer), kParam);
    EXPECT_EQ(TKR50API_TKBVersionInfo(10, nullptr), kParam);
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0x1000000, 1, buffer), kParam);
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0, 0x1000000, buffer), kParam);
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0, 1, nullptr), kParam);
    EXPECT_EQ(TKR50API_TKBSPIBootMemRead(0, 1, nullptr), kParam);
    EXPECT_TRUE(driver->calls.empty());

    // The limits themselves pass.
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x7F, 0, 512, buffer, 0), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_I2CBlockRead(0x7F, 0, 255, buffer, 0), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_TKBSettingRead(512, buffer), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0, 0, 0, nullptr, 0), TKRUSB20_RET_SUCCESS)
        << "nothing to send needs no data";
}

TEST_F(AccessTest, ReadsThatCannotFitTheReplyBufferAreRefused) {
    driver = std::make_shared<RecordingDriver>();
    driver->pipes = {{0x04, 1024, 65536}, {0x84, 1024, 65536}};
    tkr::SetDriver(driver);
    TKR50API_Close(2);
    OpenBoard();
    std::vector<uint8_t> buffer(1024);
    EXPECT_EQ(TKR50API_SPIRead(3, 0xE7, 0, 1024, buffer.data()), kParam);
    EXPECT_EQ(TKR50API_SPIFpgaRead(7, 0x99, 0, 1024, buffer.data()), kParam);
    EXPECT_TRUE(driver->calls.empty());
    driver->QueueReply(0, std::vector<uint8_t>(1023, 0x33));
    EXPECT_EQ(TKR50API_SPIRead(3, 0xE7, 0, 1023, buffer.data()), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(buffer[1022], 0x33);
}

TEST_F(AccessTest, StatusBytesBecomeResultCodesAndLeaveTheBufferAlone) {
    uint8_t buffer[4] = {1, 2, 3, 4};
    driver->QueueReply(0x05, {9, 9, 9, 9});
    EXPECT_EQ(TKR50API_I2CBlockRead(0x3C, 0, 4, buffer, 0), static_cast<int32_t>(0xE0000005));
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 4), Bytes({1, 2, 3, 4}));
    driver->QueueReply(0xFF);
    EXPECT_EQ(TKR50API_SPIFpgaWrite(8, 0x99, 0, 4, buffer), static_cast<int32_t>(0xE00000FF));
}

TEST_F(AccessTest, BeforeAnySuccessfulOpenPacketSizesAreZero) {
    TKR50API_Close(2);
    TKR50API_End();
    ASSERT_NE(TKR50API_Init(), nullptr);
    uint8_t byte = 0;
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0, 1, &byte, 0), kParam);
    driver->paths.clear();
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_ERROR_DRIVER_OPEN);
    EXPECT_EQ(TKR50API_I2CBlockWrite(0x3C, 0, 1, &byte, 0), kParam);
}

TEST_F(AccessTest, BootMemoryProgramIsAHeaderThenOneDataExchange) {
    const uint8_t image[] = {0xA0, 0xA1, 0xA2, 0xA3};
    driver->QueueReply(0x01);  // the header's status is not judged
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0x100000, 4, image), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->Writes(), (Frames{Bytes({0x05, 0xE7, 0x10, 0x00, 0x00, 0x00, 0x00, 0x04}),
                                        Bytes({0xA0, 0xA1, 0xA2, 0xA3})}));
    EXPECT_EQ(driver->ReadSizes(), (std::vector<uint32_t>{1, 1}));

    driver->calls.clear();
    driver->QueueReply(0);
    driver->QueueReply(0x07);
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0x000000, 4, image), static_cast<int32_t>(0xE0000007));

    // An empty image still reads the data exchange's status.
    driver->calls.clear();
    driver->QueueReply(0);
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_TKBFX3Update(0, nullptr), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->Writes(), (Frames{Bytes({0x05, 0xE7, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00})}));
    EXPECT_EQ(driver->ReadSizes(), (std::vector<uint32_t>{1, 1}));
}

TEST_F(AccessTest, EveryImageExportUsesItsFixedAddress) {
    struct Export {
        const char* name;
        int32_t (*update)(uint32_t, const uint8_t*);
        int32_t (*read)(uint32_t, uint8_t*);
        uint8_t addressHigh;
    };
    const Export exports[] = {
        {"FX3", TKR50API_TKBFX3Update, TKR50API_TKBFX3BootMemRead, 0x10},
        {"FPGA", TKR50API_TKBFPGAUpdate, TKR50API_TKBFPGABootMemRead, 0x00},
        {"20U FX3", TKR50API_TKB20UFX3Update, TKR50API_TKB20UFX3BootMemRead, 0x18},
        {"20U FPGA", TKR50API_TKB20UFPGAUpdate, TKR50API_TKB20UFPGABootMemRead, 0x08},
    };
    const uint8_t image[2] = {0x12, 0x34};
    for (const Export& e : exports) {
        SCOPED_TRACE(e.name);
        driver->calls.clear();
        driver->QueueWrite({-1, 31});  // the header fails: still 1
        EXPECT_EQ(e.update(2, image), TKRUSB20_RET_SUCCESS);
        EXPECT_EQ(driver->Writes().front(), Bytes({0x05, 0xE7, e.addressHigh, 0, 0, 0, 0, 2}));

        driver->calls.clear();
        uint8_t buffer[2] = {0xEE, 0xEE};
        driver->QueueReadError(31);  // the data read fails: still 1, buffer unchanged
        EXPECT_EQ(e.read(2, buffer), TKRUSB20_RET_SUCCESS);
        EXPECT_EQ(driver->Writes().front(), Bytes({0x06, 0xE7, e.addressHigh, 0, 0, 0, 0, 2}));
        EXPECT_EQ(buffer[0], 0xEE);
    }
    driver->calls.clear();
    EXPECT_EQ(TKR50API_Update(0x300000, 2, image), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->Writes().front(), Bytes({0x05, 0xE7, 0x30, 0, 0, 0, 0, 2}));
}

TEST_F(AccessTest, BootMemoryReadIsRawDataThenAClosingRead) {
    driver->QueueRead({0xC0, 0xC1, 0xC2});
    driver->QueueReadError(1167);
    uint8_t buffer[3] = {};
    EXPECT_EQ(TKR50API_TKBSPIBootMemRead(0xABCDEF, 3, buffer), static_cast<int32_t>(0xE0000000 | 1167));
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 3), Bytes({0xC0, 0xC1, 0xC2})) << "no status byte";
    EXPECT_EQ(driver->Writes(), (Frames{Bytes({0x06, 0xE7, 0xAB, 0xCD, 0xEF, 0x00, 0x00, 0x03})}));
    EXPECT_EQ(driver->ReadSizes(), (std::vector<uint32_t>{3, 1024}));
}

TEST_F(AccessTest, VersionFrame) {
    driver->QueueReply(0, {0x64, 0x02, 0x00, 1, 2, 3, 4, 5, 6, 7});
    uint8_t version[10] = {};
    EXPECT_EQ(TKR50API_TKBVersionInfo(10, version), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->Writes(), (Frames{Bytes({0xF0, 0x0A, 0x00, 0x00, 0x00})}));
    EXPECT_EQ(driver->ReadSizes(), std::vector<uint32_t>{11});
    EXPECT_EQ(version[0], 0x64);
    EXPECT_EQ(version[9], 7);
}

TEST_F(AccessTest, SettingsExportsAreSpiAccessAtTheSettingsBlock) {
    const uint8_t data[2] = {1, 2};
    uint8_t buffer[2];
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_TKB20USettingWrite(2, data), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0, {5, 6});
    EXPECT_EQ(TKR50API_TKBSettingRead(2, buffer), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->Writes(), (Frames{Bytes({0x04, 0xE7, 0x1F, 0, 0, 0, 0, 2, 1, 2}),
                                        Bytes({0x03, 0xE7, 0x1F, 0, 0, 0, 2})}));
}

}  // namespace
}  // namespace tkr::test

namespace tkr::test {
namespace {

struct ProgressCall {
    uint32_t operation, done, total;
    bool operator==(const ProgressCall&) const = default;
};

std::vector<ProgressCall> progressCalls;

void TKR50API_CALL RecordProgress(void* context, uint32_t operation, uint32_t done, uint32_t total) {
    EXPECT_EQ(context, &progressCalls);
    progressCalls.push_back({operation, done, total});
}

// Flash images over pipes of 4096-byte transfers, so that an image takes several requests.
class ProgressTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        driver->pipes = {{0x04, 512, 4096}, {0x84, 512, 4096}};
        OpenBoard();
        progressCalls.clear();
        ASSERT_EQ(TKR50API_SetProgressCallback(&RecordProgress, &progressCalls), TKRUSB20_RET_SUCCESS);
    }
    void TearDown() override {
        TKR50API_SetProgressCallback(nullptr, nullptr);
        LibraryTest::TearDown();
    }
    static constexpr uint32_t W = TKR50API_PROGRESS_WRITE;
    static constexpr uint32_t R = TKR50API_PROGRESS_READ;
};

TEST_F(ProgressTest, AnImageWriteReportsBetweenItsRequestsAndSendsTheSameRequests) {
    std::vector<uint8_t> image(10000);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7);
    driver->QueueReply(0);
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_TKBFPGAUpdate(static_cast<uint32_t>(image.size()), image.data()),
              TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(progressCalls, (std::vector<ProgressCall>{
                                 {W, 0, 10000}, {W, 4096, 10000}, {W, 8192, 10000}, {W, 10000, 10000}}));
    const std::vector<RecordingDriver::Call> withCallback = driver->calls;

    TKR50API_SetProgressCallback(nullptr, nullptr);
    driver->calls.clear();
    progressCalls.clear();
    driver->QueueReply(0);
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_TKBFPGAUpdate(static_cast<uint32_t>(image.size()), image.data()),
              TKRUSB20_RET_SUCCESS);
    EXPECT_TRUE(progressCalls.empty());
    ASSERT_EQ(driver->calls.size(), withCallback.size());
    for (size_t i = 0; i < withCallback.size(); ++i) {
        EXPECT_EQ(driver->calls[i].code, withCallback[i].code) << i;
        EXPECT_EQ(driver->calls[i].input, withCallback[i].input) << i;
        EXPECT_EQ(driver->calls[i].data, withCallback[i].data) << i;
        EXPECT_EQ(driver->calls[i].outputSize, withCallback[i].outputSize) << i;
    }
    // Header, three data requests, two status reads.
    EXPECT_EQ(driver->Writes().size(), 4u);
}

TEST_F(ProgressTest, AnImageReadReportsItsDataReadOnly) {
    driver->QueueRead(std::vector<uint8_t>(4096, 1));
    driver->QueueRead(std::vector<uint8_t>(4096, 2));
    driver->QueueRead(std::vector<uint8_t>(1808, 3));
    driver->QueueRead({});  // the closing read
    std::vector<uint8_t> buffer(10000);
    EXPECT_EQ(TKR50API_TKBSPIBootMemRead(0x080000, 10000, buffer.data()), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(progressCalls, (std::vector<ProgressCall>{
                                 {R, 0, 10000}, {R, 4096, 10000}, {R, 8192, 10000}, {R, 10000, 10000}}));
    EXPECT_EQ(buffer[9999], 3);

    // A board that ends the read short: the last call says how far it got.
    progressCalls.clear();
    driver->QueueRead(std::vector<uint8_t>(4096, 1));
    driver->QueueRead(std::vector<uint8_t>(100, 2));
    TKR50API_TKBFPGABootMemRead(10000, buffer.data());
    EXPECT_EQ(progressCalls, (std::vector<ProgressCall>{{R, 0, 10000}, {R, 4096, 10000}, {R, 4196, 10000}}));
}

TEST_F(ProgressTest, AFailedRequestEndsTheCallsAndRefusedArgumentsMakeNone) {
    std::vector<uint8_t> image(10000, 0x5A);
    driver->QueueWrite({});          // header
    driver->QueueWrite({});          // first data request
    driver->QueueWrite({-1, 1167});  // the board is gone
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0, 10000, image.data()), static_cast<int32_t>(0xE0000000 | 1167));
    EXPECT_EQ(progressCalls, (std::vector<ProgressCall>{{W, 0, 10000}, {W, 4096, 10000}}));

    progressCalls.clear();
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0x1000000, 1, image.data()), kParam);
    EXPECT_EQ(TKR50API_TKBSPIBootMemRead(0, 1, nullptr), kParam);
    EXPECT_TRUE(progressCalls.empty());

    // An empty image still tells its start; settings and registers tell nothing.
    driver->QueueReply(0);
    driver->QueueReply(0);
    EXPECT_EQ(TKR50API_TKBFX3Update(0, nullptr), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0);
    uint8_t block[16] = {};
    TKR50API_TKBSettingWrite(sizeof block, block);
    EXPECT_EQ(progressCalls, (std::vector<ProgressCall>{{W, 0, 0}}));
}

TEST_F(ProgressTest, RegistrationNeedsNoConnectionAndOutlivesEnd) {
    TKR50API_Close(2);
    TKR50API_End();
    EXPECT_EQ(TKR50API_SetProgressCallback(&RecordProgress, &progressCalls), TKRUSB20_RET_SUCCESS);
    ASSERT_NE(TKR50API_Init(), nullptr);
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
    driver->QueueReply(0);
    driver->QueueReply(0);
    const uint8_t image[4] = {1, 2, 3, 4};
    EXPECT_EQ(TKR50API_TKBSPIBootMemUpdate(0, 4, image), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(progressCalls, (std::vector<ProgressCall>{{W, 0, 4}, {W, 4, 4}}));
}

}  // namespace
}  // namespace tkr::test
