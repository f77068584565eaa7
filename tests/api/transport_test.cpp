// Bulk transfers at the level of driver requests: splitting of writes, continuation and drain of
// reads, and how failures come back.
#include <numeric>

#include "frame/library_state.h"
#include "library_fixture.h"
#include "tkr/protocol.h"

namespace tkr::test {
namespace {

class TransportTest : public LibraryTest {
protected:
    // Opens a board with the given pipe sizes.
    void OpenWith(uint16_t maxPacket, uint32_t maxTransfer) {
        driver->pipes = {{0x81, 64, 64}, {0x04, maxPacket, maxTransfer}, {0x84, maxPacket, maxTransfer}};
        OpenBoard();
    }
    // Sends an SPI write carrying `dataLength` bytes: the frame is 8 bytes longer.
    int32_t WriteFrameOf(uint32_t frameLength) {
        std::vector<uint8_t> data(frameLength - 8);
        std::iota(data.begin(), data.end(), 0);
        driver->QueueReply(0);
        return TKR50API_SPIWrite(0x04, 0xE7, 0, static_cast<uint32_t>(data.size()), data.data());
    }
    std::vector<size_t> WriteSizes() const {
        std::vector<size_t> sizes;
        for (const auto& write : driver->Writes())
            sizes.push_back(write.size());
        return sizes;
    }
};

TEST_F(TransportTest, WritesSplitAtTheMaximumTransferAndNeverEndOnAMultipleOf1024) {
    struct Case {
        uint32_t maxTransfer;
        uint32_t length;
        std::vector<size_t> chunks;
    };
    const Case cases[] = {
        {65536, 2048, {1984, 64}},
        {65536, 1000, {1000}},
        {65536, 1024, {960, 64}},
        {4096, 10000, {4096, 4096, 1808}},
        {4096, 12288, {4096, 4096, 4032, 64}},
        {1000, 2500, {1000, 1000, 500}},
        {1000, 3048, {1000, 1000, 1000, 48}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " bytes, transfers of " << c.maxTransfer);
        driver = std::make_shared<RecordingDriver>();
        tkr::SetDriver(driver);
        OpenWith(512, c.maxTransfer);
        ASSERT_EQ(WriteFrameOf(c.length), TKRUSB20_RET_SUCCESS);
        EXPECT_EQ(WriteSizes(), c.chunks);
        // Every chunk goes to the bulk-out pipe (index 1 of the list), and the pieces join up.
        for (uint32_t pipe : driver->PipeNumbers(tkr::kIoctlBulkWrite))
            EXPECT_EQ(pipe, 1u);
        std::vector<uint8_t> joined;
        for (const auto& write : driver->Writes())
            joined.insert(joined.end(), write.begin(), write.end());
        ASSERT_EQ(joined.size(), c.length);
        EXPECT_EQ(joined[8], 0);
        EXPECT_EQ(joined[c.length - 1], static_cast<uint8_t>(c.length - 9));
        TKR50API_Close(2);
    }
}

TEST_F(TransportTest, AWriteThatFailsOrFallsShortReportsTheLastError) {
    OpenWith(512, 65536);
    driver->QueueWrite({-1, 1167});
    EXPECT_EQ(WriteFrameOf(100), static_cast<int32_t>(0xE0000000 | 1167));
    EXPECT_TRUE(driver->ReadSizes().empty()) << "no read phase after a failed write";

    // A short count reports the error stored by the last failed request.
    driver->calls.clear();
    driver->QueueWrite({99, 0});
    EXPECT_EQ(WriteFrameOf(2048), static_cast<int32_t>(0xE0000000 | 1167));
    EXPECT_EQ(WriteSizes(), std::vector<size_t>{1984});
}

TEST_F(TransportTest, ReadsGoOnAfterAFullTransferThatCameBack512Short) {
    OpenWith(512, 1024);
    // Version request of 255 bytes: 256-byte reply, one request.
    std::vector<uint8_t> reply(256, 0);
    driver->QueueRead(reply);
    uint8_t buffer[255];
    EXPECT_EQ(TKR50API_TKBVersionInfo(255, buffer), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->ReadSizes(), std::vector<uint32_t>{256});
    for (uint32_t pipe : driver->PipeNumbers(tkr::kIoctlBulkRead))
        EXPECT_EQ(pipe, 2u);

    // A boot memory read of 3000 bytes with transfers of 1024: 1024 came back as 512 and the read
    // continues from there.
    driver->calls.clear();
    driver->QueueRead(std::vector<uint8_t>(512, 1));
    driver->QueueRead(std::vector<uint8_t>(1024, 2));
    driver->QueueRead(std::vector<uint8_t>(1024, 3));
    driver->QueueRead(std::vector<uint8_t>(440, 4));
    driver->QueueRead({});  // closing read
    std::vector<uint8_t> image(3000);
    EXPECT_EQ(TKR50API_TKBSPIBootMemRead(0, 3000, image.data()), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->ReadSizes(), (std::vector<uint32_t>{1024, 1024, 1024, 440, 1024}));
    EXPECT_EQ(image[511], 1);
    EXPECT_EQ(image[512], 2);
    EXPECT_EQ(image[2559], 3);
    EXPECT_EQ(image[2560], 4);
}

TEST_F(TransportTest, AShortReadEndsTheExchangeWithSuccess) {
    OpenWith(512, 65536);
    driver->QueueRead({0x00, 0xAA});  // 2 of 5 bytes
    uint8_t buffer[4] = {9, 9, 9, 9};
    EXPECT_EQ(TKR50API_I2CBlockRead(0x21, 0x10, 4, buffer, 0), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->ReadSizes(), std::vector<uint32_t>{5});
    // The reply buffer's bytes after the short reply are what the caller gets (zeroed here).
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(buffer[1], 0x00);
}

TEST_F(TransportTest, AFullPacketReplyIsDrainedUntilAShorterOne) {
    OpenWith(512, 65536);
    // SPI read of 511 bytes: a 512-byte reply that exactly fills one packet.
    driver->QueueRead(std::vector<uint8_t>(512, 0));
    driver->QueueRead(std::vector<uint8_t>(512, 7));
    driver->QueueRead(std::vector<uint8_t>(512, 7));
    driver->QueueRead(std::vector<uint8_t>(3, 7));
    std::vector<uint8_t> buffer(511);
    EXPECT_EQ(TKR50API_SPIRead(0x03, 0xE7, 0x1F0000, 511, buffer.data()), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->ReadSizes(), (std::vector<uint32_t>{512, 512, 512, 512}));

    // A drain also stops at a failing read.
    driver->calls.clear();
    driver->QueueRead(std::vector<uint8_t>(512, 0));
    driver->QueueReadError(31);
    EXPECT_EQ(TKR50API_SPIRead(0x03, 0xE7, 0x1F0000, 511, buffer.data()), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->ReadSizes().size(), 2u);
}

TEST_F(TransportTest, AReadOfTwoPacketsIsNotDrained) {
    OpenWith(512, 65536);
    // A boot memory read of 1024 bytes on a 512-byte packet pipe.
    driver->QueueRead(std::vector<uint8_t>(1024, 5));
    driver->QueueRead({});
    std::vector<uint8_t> image(1024);
    EXPECT_EQ(TKR50API_TKBSPIBootMemRead(0, 1024, image.data()), TKRUSB20_RET_SUCCESS);
    EXPECT_EQ(driver->ReadSizes(), (std::vector<uint32_t>{1024, 1024}));
}

TEST_F(TransportTest, AFailedReadRequestCarriesTheSystemError) {
    OpenWith(512, 65536);
    driver->QueueReadError(1167);
    uint8_t buffer[4];
    EXPECT_EQ(TKR50API_SPIFpgaRead(0x07, 0x99, 0x10000000, 4, buffer),
              static_cast<int32_t>(0xE0000000 | 1167));
    EXPECT_EQ(tkr::State().connection->lastError, 1167u);
}

TEST_F(TransportTest, WithoutPipesNothingSpins) {
    // A board whose Open failed at the pipe search keeps its device, but has no pipes to use.
    driver->pipes = {{0x04, 512, 65536}};
    ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_ERROR_DRIVER_OPEN);
    const uint8_t data[4] = {};
    EXPECT_EQ(TKR50API_SPIWrite(0x04, 0xE7, 0, 4, data),
              static_cast<int32_t>(0xE0000000 | tkr::kErrorInvalidHandle));
}

}  // namespace
}  // namespace tkr::test
