#include "settings/tkb_setting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "ini/program_paths.h"
#include "support/ini_test_support.h"
#include "support/recording_messages.h"
#include "support/virtual_boards.h"
#include "tkbsim/board.h"

namespace tkbctl::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Range(const SettingsBlock& block, size_t from, size_t to) {
    return Bytes(block.begin() + from, block.begin() + to);
}

// Every test runs in a folder of its own, so that the colour list comes from a program INI file
// the test wrote, or from none.
class TKBSettingTest : public test::IniFolderTest {
protected:
    void SetUp() override {
        IniFolderTest::SetUp();
        EnterFolder();
    }

    void WriteColourList(const std::string& entries) {
        const std::string program = ProgramNameOf(ExecutableFileName());
        WriteFile(program + ".ini", "[" + program + "]\r\n" + entries);
    }

    SettingsBlock Encoded(TKBSetting& setting) {
        SettingsBlock block{};
        EXPECT_EQ(setting.Encode(block.data(), block.size(),
                                 TKBSetting::ColourGuid(ProgramIniFile(), setting.UVC_Color)),
                  0);
        return block;
    }
};

TEST_F(TKBSettingTest, ZeroBlockKeepsTheDefaults) {
    TKBSetting setting;
    const SettingsBlock zeros{};
    ASSERT_EQ(setting.Decode(zeros.data(), zeros.size()), 0);
    const TKBSetting defaults;
    EXPECT_EQ(setting.EndianBitShift, 3);
    EXPECT_EQ(setting.I2CFrequency, 6);
    EXPECT_EQ(setting.I2CDelay, 20);
    EXPECT_EQ(setting.CKINOutSelect, 0);
    EXPECT_EQ(setting.UVC_Width, 1280);
    EXPECT_EQ(setting.UVC_Height, 720);
    EXPECT_EQ(setting.UVC_FPS, "30");
    EXPECT_EQ(setting.UVC_Color, 0);
    EXPECT_EQ(setting.UVC_BoardID, 0);
    EXPECT_EQ(setting.ClipEnable, 0);
    EXPECT_EQ(setting.ClipX0, 0);
    EXPECT_EQ(setting.ClipY0, 0);
    EXPECT_EQ(setting.ClipWidth, 8191);
    EXPECT_EQ(setting.ClipHeight, 8191);
}

TEST_F(TKBSettingTest, DefaultRecordEncodesByteForByte) {
    TKBSetting setting;
    const SettingsBlock zeros{};
    setting.Decode(zeros.data(), zeros.size());
    const SettingsBlock block = Encoded(setting);

    SettingsBlock expected{};
    const Bytes table = {0x10, 0x00, 0x11, 0x00, 0x13, 0x00, 0x18, 0x00, 0x19, 0x00, 0x1A,
                         0x00, 0x1B, 0x00, 0x1C, 0x00, 0x1E, 0x00, 0x1F, 0x03, 0x20, 0x00,
                         0x21, 0x00, 0x22, 0x00, 0x23, 0x00, 0x24, 0x06, 0x25, 0x14};
    std::copy(table.begin(), table.end(), expected.begin());
    const Bytes uvc = {0x55, 0x55, 0x00, 0x00, 0x00, 0x05, 0xD0, 0x02, 0x1E, 0x00, 0x00, 0x00, 0x00, 0x00,
                       0x00, 0x00, 0x55, 0x59, 0x56, 0x59, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA,
                       0x00, 0x38, 0x9B, 0x71, 0x11, 0x11, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x1F, 0xFF, 0x1F};
    std::copy(uvc.begin(), uvc.end(), expected.begin() + 0x80);
    // Checksum: one's complement of the 16-bit sum of 0x84..0x9F.
    const unsigned sum = std::accumulate(expected.begin() + 0x84, expected.begin() + 0xA0, 0u);
    expected[0x82] = static_cast<uint8_t>(~sum & 0xFF);
    expected[0x83] = static_cast<uint8_t>((~sum >> 8) & 0xFF);
    EXPECT_EQ(block, expected);
    EXPECT_EQ((sum + block[0x82] + (block[0x83] << 8)) & 0xFFFF, 0xFFFFu);
    EXPECT_EQ(setting.RawImage[0x82], expected[0x82]);
}

TEST_F(TKBSettingTest, FpsTextsRoundTrip) {
    struct {
        const char* text;
        uint16_t code;
        const char* decoded;
    } const cases[] = {
        {"29.97", 29970, "29.970"},   {"30", 30, "30"},         {"60.0", 60000, "60.000"},
        {"0.1", 100, "100"},          {"1.005", 1005, "1.005"}, {"59.94", 59940, "59.940"},
        {"29.9999", 29999, "29.999"}, {" 25fps", 25, "25"},     {"abc", 0, "0"},
        {"120", 120, "120"},          {"121", 121, "0.121"},    {"65.536", 0, "0"},
        {"-1", 65535, "65.535"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TKBSetting setting;
        setting.UVC_FPS = c.text;
        const SettingsBlock block = Encoded(setting);
        EXPECT_EQ(block[0x88] | (block[0x89] << 8), c.code);
        TKBSetting decoded;
        decoded.Decode(block.data(), block.size());
        EXPECT_EQ(decoded.UVC_FPS, c.decoded);
    }
}

TEST_F(TKBSettingTest, RegisterPairsInAnyOrderLaterWins) {
    SettingsBlock block{};
    const Bytes pairs = {0x25, 0x07, 0x10, 0x01, 0x99, 0x42, 0x1F, 0x21, 0x12,
                         0x05, 0x24, 0x0F, 0x10, 0x02, 0x1E, 0x03, 0x22, 0x11};
    std::copy(pairs.begin(), pairs.end(), block.begin());
    TKBSetting setting;
    ASSERT_EQ(setting.Decode(block.data(), block.size()), 0);
    EXPECT_EQ(setting.CKINOutSelect, 2);
    EXPECT_EQ(setting.EndianBitShift, 0x21);
    EXPECT_EQ(setting.I2CFrequency, 15);
    EXPECT_EQ(setting.I2CDelay, 7);
    EXPECT_EQ(setting.CSSwapMode, 3);
    EXPECT_EQ(setting.HDMIRange, 0x11);
    EXPECT_EQ(setting.Decimation, 0);

    const SettingsBlock written = Encoded(setting);
    EXPECT_EQ(Range(written, 0, 32), (Bytes{0x10, 0x02, 0x11, 0x00, 0x13, 0x00, 0x18, 0x00, 0x19, 0x00, 0x1A,
                                            0x00, 0x1B, 0x00, 0x1C, 0x00, 0x1E, 0x03, 0x1F, 0x21, 0x20, 0x00,
                                            0x21, 0x00, 0x22, 0x11, 0x23, 0x00, 0x24, 0x0F, 0x25, 0x07}));
}

TEST_F(TKBSettingTest, DecodesMarkedPartsAndCarriesEverythingElseThrough) {
    SettingsBlock block;
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    block[0] = 0x10;  // one known pair; the rest of the table is foreign
    const Bytes uvc = {0x55, 0x55, 0xAB, 0xCD, 0x80, 0x07, 0x38, 0x04,
                       0x6A, 0x75, 0x03, 0x00, 0xEE, 0xFF, 0x02, 0x00};
    std::copy(uvc.begin(), uvc.end(), block.begin() + 0x80);
    const Bytes clip = {0x55, 0x55, 0x10, 0x00, 0x20, 0x00, 0x00, 0x05, 0xD0, 0x02};
    std::copy(clip.begin(), clip.end(), block.begin() + 0xA0);

    TKBSetting setting;
    ASSERT_EQ(setting.Decode(block.data(), block.size()), 0);
    EXPECT_EQ(setting.UVC_Width, 1920);
    EXPECT_EQ(setting.UVC_Height, 1080);
    EXPECT_EQ(setting.UVC_FPS, "30.058");
    EXPECT_EQ(setting.UVC_BoardID, 3);
    EXPECT_EQ(setting.UVC_Color, 2);
    EXPECT_EQ(setting.ClipEnable, 1);
    EXPECT_EQ(setting.ClipX0, 16);
    EXPECT_EQ(setting.ClipY0, 32);
    EXPECT_EQ(setting.ClipWidth, 1280);
    EXPECT_EQ(setting.ClipHeight, 720);
    EXPECT_EQ(Range(setting.RawImage, 0x100, 0x200),
              Bytes(setting.TimingArea.begin(), setting.TimingArea.end()));

    const SettingsBlock written = Encoded(setting);
    EXPECT_EQ(Range(written, 0x20, 0x80), Range(block, 0x20, 0x80));
    EXPECT_EQ(Range(written, 0x84, 0x90), Range(block, 0x84, 0x90));  // incl. the uninterpreted 0x8C
    EXPECT_EQ(Range(written, 0xA0, 0x200), Range(block, 0xA0, 0x200));
    // Colour 2 has no list entry: the UYVY GUID.
    EXPECT_EQ(Range(written, 0x90, 0xA0), Bytes(kUyvyGuid.begin(), kUyvyGuid.end()));
}

TEST_F(TKBSettingTest, ClippingDisabledMarkAndForeignMarks) {
    SettingsBlock block{};
    block[0xA0] = 0x11;
    block[0xA1] = 0x11;
    block[0xA6] = 0x34;
    TKBSetting setting;
    setting.ClipEnable = 1;
    setting.Decode(block.data(), block.size());
    EXPECT_EQ(setting.ClipEnable, 0);
    EXPECT_EQ(setting.ClipWidth, 0x34);

    // Mixed or unknown marks: the clipping and UVC fields keep their values.
    block[0xA1] = 0x55;
    block[0x80] = 0x55;
    setting.ClipEnable = 1;
    setting.ClipWidth = 99;
    setting.UVC_Width = 640;
    setting.Decode(block.data(), block.size());
    EXPECT_EQ(setting.ClipEnable, 1);
    EXPECT_EQ(setting.ClipWidth, 99);
    EXPECT_EQ(setting.UVC_Width, 640);
}

TEST_F(TKBSettingTest, ValuesAboveSixteenBitsAreStoredModulo65536) {
    TKBSetting setting;
    setting.UVC_Width = 70000;
    setting.UVC_Height = 65536 + 720;
    setting.ClipX0 = -1;
    const SettingsBlock block = Encoded(setting);
    EXPECT_EQ(Range(block, 0x84, 0x88), (Bytes{0x70, 0x11, 0xD0, 0x02}));
    EXPECT_EQ(Range(block, 0xA2, 0xA4), (Bytes{0xFF, 0xFF}));
}

TEST_F(TKBSettingTest, ShortLengths) {
    TKBSetting setting;
    setting.UVC_Width = 1;
    SettingsBlock block;
    block.fill(0xEE);
    EXPECT_EQ(setting.Decode(block.data(), 31), -1);
    EXPECT_EQ(setting.Encode(block.data(), 31, kUyvyGuid), -1);
    EXPECT_EQ(block[0], 0xEE);
    EXPECT_EQ(setting.UVC_Width, 1);
    EXPECT_EQ(setting.RawImage[40], 0);

    // 200 bytes: the timing area is not part of the block, so it keeps its bytes.
    setting.TimingArea.fill(0x77);
    EXPECT_EQ(setting.Decode(block.data(), 200), 0);
    EXPECT_EQ(setting.RawImage[199], 0xEE);
    EXPECT_EQ(setting.RawImage[200], 0);
    EXPECT_EQ(setting.TimingArea[0], 0x77);
    SettingsBlock shortBlock{};
    EXPECT_EQ(setting.Encode(shortBlock.data(), 0x90, kUyvyGuid), 0);
    EXPECT_EQ(shortBlock[0x8C], 0xEE);  // carried through
    EXPECT_EQ(shortBlock[0x8F], 0x00);  // the record's colour
    EXPECT_EQ(shortBlock[0x90], 0);     // nothing past the length
}

TEST_F(TKBSettingTest, ColourListEntries) {
    WriteColourList(
        "ColorName0=UYVY\r\nColorGUID0=0x55,0x59,0x56,0x59,0x00,0x00,0x10,0x00,0x80,0x00,0x00,0xAA,0x00,0x38,"
        "0x9B,0x71\r\n"
        "ColorName1=Odd tokens\r\nColorGUID1= 1, 0x2,3 ,  ab,1FF,-1,0x,zz,,0X10,0,0,0,0,0,f\r\n"
        "ColorName2=Fifteen\r\nColorGUID2=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15\r\n"
        "ColorName3=Seventeen\r\nColorGUID3=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17\r\n"
        "ColorName4=Trailing comma\r\nColorGUID4=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,\r\n"
        "ColorName5=No GUID\r\n"
        "ColorGUID6=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\r\n"
        "ColorName7=\r\nColorGUID7=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\r\n"
        "ColorName8=" +
        std::string(140, 'n') + "\r\nColorGUID8=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\r\n");
    UvcGuid guid{};
    std::string name = "unchanged";
    EXPECT_EQ(TKBSetting::LookupUvcColor(0, guid, name), 0);
    EXPECT_EQ(guid, kUyvyGuid);
    EXPECT_EQ(name, "UYVY");
    EXPECT_EQ(TKBSetting::LookupUvcColor(1, guid, name), 0);
    EXPECT_EQ(guid,
              (UvcGuid{0x01, 0x02, 0x03, 0xAB, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x10, 0, 0, 0, 0, 0, 0x0F}));
    EXPECT_EQ(name, "Odd tokens");

    guid.fill(0xEE);
    name = "unchanged";
    EXPECT_EQ(TKBSetting::LookupUvcColor(-1, guid, name), -1);
    EXPECT_EQ(TKBSetting::LookupUvcColor(2, guid, name), -3);
    EXPECT_EQ(TKBSetting::LookupUvcColor(3, guid, name), -3);
    EXPECT_EQ(TKBSetting::LookupUvcColor(4, guid, name), -3);
    EXPECT_EQ(TKBSetting::LookupUvcColor(5, guid, name), -2);
    EXPECT_EQ(TKBSetting::LookupUvcColor(6, guid, name), -2);
    EXPECT_EQ(TKBSetting::LookupUvcColor(7, guid, name), -2);
    EXPECT_EQ(TKBSetting::LookupUvcColor(9, guid, name), -2);
    UvcGuid untouched;
    untouched.fill(0xEE);
    EXPECT_EQ(guid, untouched);
    EXPECT_EQ(name, "unchanged");

    // The INI read stops at 127 characters; the caller's capacity cuts further.
    EXPECT_EQ(TKBSetting::LookupUvcColor(8, guid, name), 0);
    EXPECT_EQ(name, std::string(127, 'n'));
    EXPECT_EQ(TKBSetting::LookupUvcColor(8, guid, name, 5), 0);
    EXPECT_EQ(name, "nnnnn");
}

TEST_F(TKBSettingTest, EncodeTakesTheColourGuidFromTheListOrFallsBackToUyvy) {
    WriteColourList(
        "ColorName1=Grey\r\nColorGUID1=0x59,0x38,0x30,0x30,0,0,0x10,0,0x80,0,0,0xAA,0,0x38,0x9B,0x71\r\n"
        "ColorName2=Bad\r\nColorGUID2=1,2\r\n");
    TKBSetting setting;
    setting.UVC_Color = 1;
    EXPECT_EQ(Range(Encoded(setting), 0x90, 0xA0),
              (Bytes{0x59, 0x38, 0x30, 0x30, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71}));
    for (int colour : {-1, 2, 3}) {
        setting.UVC_Color = colour;
        const SettingsBlock block = Encoded(setting);
        EXPECT_EQ(Range(block, 0x90, 0xA0), Bytes(kUyvyGuid.begin(), kUyvyGuid.end())) << colour;
        EXPECT_EQ(Range(block, 0x8E, 0x90), (Bytes{uint8_t(colour & 0xFF), uint8_t((colour >> 8) & 0xFF)}));
    }
}

// Load and save against a virtual board whose flash holds a block with a timing area.
class SettingsStorageTest : public TKBSettingTest {
protected:
    void SetUp() override {
        TKBSettingTest::SetUp();
        for (size_t i = 0; i < stored_.size(); ++i) {
            stored_[i] = static_cast<uint8_t>(i ^ 0x5A);
        }
        board_->WriteFlash(kAddress, Bytes(stored_.begin(), stored_.end()));
    }
    SettingsBlock Flash() {
        const Bytes bytes = board_->ReadFlash(kAddress, kSettingsBlockSize);
        SettingsBlock block{};
        std::copy(bytes.begin(), bytes.end(), block.begin());
        return block;
    }

    static constexpr uint32_t kAddress = 0x1F0000;
    SettingsBlock stored_;
    VirtualBoards boards_{{"TKB-20"}};
    std::shared_ptr<tkbsim::Board> board_ = boards_.Board(0);
    test::RecordingMessages messages_;
    SettingsBlock transfer_;
};

TEST_F(SettingsStorageTest, LoadDecodesTheBoardsBlock) {
    BoardIdentity identity{"TKB-20", 0};
    CTkrUsbControl control(identity, messages_);
    TKBSetting setting;
    ASSERT_TRUE(LoadSettings(control, messages_, setting, transfer_));
    EXPECT_EQ(transfer_, stored_);
    EXPECT_EQ(Range(setting.RawImage, 32, 512), Range(stored_, 32, 512));
    EXPECT_TRUE(messages_.All().empty());
}

TEST_F(SettingsStorageTest, FailedReadShowsMessageAndKeepsTheRecord) {
    board_->RefuseCommand(0x03, 0x01);
    BoardIdentity identity{"TKB-20", 0};
    CTkrUsbControl control(identity, messages_);
    TKBSetting setting;
    setting.UVC_Width = 4;
    EXPECT_FALSE(LoadSettings(control, messages_, setting, transfer_));
    EXPECT_EQ(messages_.Ids(), std::vector<int>{10011});
    EXPECT_EQ(setting.UVC_Width, 4);
    EXPECT_EQ(setting.RawImage, SettingsBlock{});
}

TEST_F(SettingsStorageTest, SaveWritesHalfTheBlockExceptOnTheTimingGenerator) {
    for (const char* model : {"TKB-20", "tkd-20"}) {
        SCOPED_TRACE(model);
        board_->WriteFlash(kAddress, Bytes(stored_.begin(), stored_.end()));
        BoardIdentity identity{model, 0};
        CTkrUsbControl control(identity, messages_);
        TKBSetting setting;
        ASSERT_TRUE(LoadSettings(control, messages_, setting, transfer_));
        setting.UVC_Width = 640;
        setting.TimingArea[5] = 0x99;
        ASSERT_TRUE(SaveSettings(control, messages_, identity, setting, transfer_));
        const SettingsBlock flash = Flash();
        EXPECT_EQ(Range(flash, 0, 256), Range(transfer_, 0, 256));
        EXPECT_EQ(flash[0x84], 0x80);
        const bool wholeBlock = std::string(model) == "tkd-20";
        EXPECT_EQ(Range(flash, 256, 512), wholeBlock ? Range(transfer_, 256, 512) : Range(stored_, 256, 512));
        EXPECT_EQ(flash[0x105], wholeBlock ? 0x99 : stored_[0x105]);
    }
    EXPECT_EQ(SettingsWriteLength({"TKD-20", 0}), 512u);
    EXPECT_EQ(SettingsWriteLength({"TKF-20", 1}), 256u);
    EXPECT_TRUE(messages_.All().empty());
}

TEST_F(SettingsStorageTest, FailedWriteShowsMessageAndKeepsTheUsersValues) {
    board_->RefuseCommand(0x04, 0x01);
    BoardIdentity identity{"TKB-20", 0};
    CTkrUsbControl control(identity, messages_);
    TKBSetting setting;
    setting.UVC_Width = 640;
    EXPECT_FALSE(SaveSettings(control, messages_, identity, setting, transfer_));
    EXPECT_EQ(messages_.Ids(), std::vector<int>{10012});
    EXPECT_EQ(setting.UVC_Width, 640);
    EXPECT_EQ(Flash(), stored_);
}

}  // namespace
}  // namespace tkbctl::test
