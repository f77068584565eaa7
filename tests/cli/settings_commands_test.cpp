// settings show, set, backup and restore against virtual boards.
#include <fstream>

#include "core/control_core.h"
#include "core/settings_fields.h"
#include "tkb_test_support.h"

namespace tkbctl::cli::test {
namespace {

using namespace tkbsim::test;

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A block as the control program writes it, with a few fields away from their defaults.
Bytes SampleBlock() {
    TKBSetting setting;
    setting.PolarityOfHSync = 1;
    setting.I2CFrequency = 15;
    setting.UVC_Width = 1920;
    setting.UVC_Height = 1080;
    setting.UVC_FPS = "59.94";
    setting.ClipX0 = 16;
    setting.ClipEnable = 1;
    setting.RawImage[0x40] = 0x5A;  // carried-through byte
    Bytes block(kSettingsBlockSize, 0);
    setting.Encode(block.data(), block.size(), TKBSetting::ColourGuid(ProgramIniFile(), setting.UVC_Color));
    return block;
}

std::vector<Bytes> SpiWrites(const std::vector<tkbsim::LoggedFrame>& frames) {
    std::vector<Bytes> writes;
    for (const tkbsim::LoggedFrame& frame : frames) {
        if (!frame.head.empty() && frame.head[0] == 0x04)
            writes.push_back(frame.head);
    }
    return writes;
}

TEST(TkbSettings, ShowGivesEveryFieldByNameAsTextAndJson) {
    VirtualBoards boards({"TKB-20U"});
    boards.Board()->WriteFlash(kSettingsAddress, SampleBlock());

    const TkbRun json = Tkb({"settings", "show", "--json"});
    ASSERT_EQ(json.status, kExitDone) << json.err;
    const Json fields = ParseJson(json.out);
    EXPECT_EQ(fields.Object().size(), SettingsFields().size());
    EXPECT_EQ(fields["PolarityOfHSync"].Number(), 1);
    EXPECT_EQ(fields["I2CFrequency"].Number(), 15);
    EXPECT_EQ(fields["EndianBitShift"].Number(), 3);
    EXPECT_EQ(fields["UVC_Width"].Number(), 1920);
    EXPECT_EQ(fields["UVC_FPS"].Text(), "59.940");
    EXPECT_EQ(fields["ClipX0"].Number(), 16);
    EXPECT_EQ(fields["ClipEnable"].Number(), 1);
    EXPECT_EQ(fields["RawImage"].Text().size(), 1024u);
    EXPECT_EQ(fields["RawImage"].Text().substr(0x40 * 2, 2), "5A");
    EXPECT_EQ(fields["TimingArea"].Text().size(), 512u);

    const TkbRun text = Tkb({"settings", "show"});
    EXPECT_NE(text.out.find("PolarityOfHSync = 1  (high active)\n"), std::string::npos);
    EXPECT_NE(text.out.find("I2CFrequency = 15  (100 kHz)\n"), std::string::npos);
    EXPECT_NE(text.out.find("ClipEnable = 1  (clipping on)\n"), std::string::npos);
}

TEST(TkbSettings, SetChangesTheFieldsWritesTheModelsLengthAndKeepsTheRest) {
    VirtualBoards boards({"TKB-20U", "TKD-20"});
    const Bytes sample = SampleBlock();
    boards.Board(0)->WriteFlash(kSettingsAddress, sample);
    boards.Board(0)->WriteFlash(kSettingsAddress + 0x100,
                                Bytes(0x100, 0x33));  // timing area of another board
    boards.ForgetFrames();

    const TkbRun run = Tkb({"settings", "set", "UVC_Width=1280", "UVC_FPS=25", "PolarityOfVSync=0x1"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_EQ(run.out, "settings block: 256 bytes written and verified\n");
    const std::vector<Bytes> writes = SpiWrites(boards.TakeFrames(0));
    ASSERT_EQ(writes.size(), 1u);
    // Command, selector, the settings address and the length 256.
    EXPECT_EQ(Bytes(writes[0].begin(), writes[0].begin() + 8),
              (Bytes{0x04, 0xE7, 0x1F, 0x00, 0x00, 0x00, 0x01, 0x00}));

    TKBSetting after;
    const Bytes flash = boards.Board(0)->ReadFlash(kSettingsAddress, kSettingsBlockSize);
    after.Decode(flash.data(), flash.size());
    EXPECT_EQ(after.UVC_Width, 1280);
    EXPECT_EQ(after.UVC_FPS, "25");
    EXPECT_EQ(after.PolarityOfVSync, 1);
    EXPECT_EQ(after.PolarityOfHSync, 1);
    EXPECT_EQ(after.ClipX0, 16);
    EXPECT_EQ(flash[0x40], 0x5A);
    EXPECT_EQ(Bytes(flash.begin() + 0x100, flash.end()), Bytes(0x100, 0x33));

    // The TKD-20 takes the whole block.
    ASSERT_EQ(Tkb({"-b", "1", "settings", "set", "ClipEnable=1"}).out,
              "settings block: 512 bytes written and verified\n");
}

TEST(TkbSettings, SetFailsWhenTheBlockReadsBackDifferently) {
    VirtualBoards boards({"TKB-20U"});
    boards.Board()->WriteFlash(kSettingsAddress, SampleBlock());
    // The bytes of UVC_Width acknowledge writes but keep their contents.
    boards.Board()->SetBadFlash(kSettingsAddress + 0x84, 2);
    const TkbRun run = Tkb({"settings", "set", "UVC_Width=640"});
    EXPECT_EQ(run.status, kExitFailed);
    // 1920 is 80 07 and 640 is 80 02: the low bytes agree, the high byte stayed.
    EXPECT_EQ(run.err,
              "tkb settings set: the settings block reads back differently: first difference at byte 0x085: "
              "wrote 02, read 07\n");
}

TEST(TkbSettings, BackupAndRestoreRoundTrip) {
    VirtualBoards boards({"TKB-20U"});
    const Bytes sample = SampleBlock();
    boards.Board()->WriteFlash(kSettingsAddress, sample);
    const std::filesystem::path file = boards.path() / "settings.bin";

    const TkbRun backup = Tkb({"settings", "backup", file.string()});
    ASSERT_EQ(backup.status, kExitDone) << backup.err;
    EXPECT_EQ(ReadFile(file), boards.Board()->ReadFlash(kSettingsAddress, kSettingsBlockSize));

    ASSERT_EQ(Tkb({"settings", "set", "UVC_Height=480", "CKINOutSelect=1"}).status, kExitDone);
    const TkbRun restore = Tkb({"settings", "restore", file.string()});
    ASSERT_EQ(restore.status, kExitDone) << restore.err;
    EXPECT_EQ(restore.out, "settings block: 256 bytes written and verified\n");
    EXPECT_EQ(boards.Board()->ReadFlash(kSettingsAddress, 256), Bytes(sample.begin(), sample.begin() + 256));
}

TEST(TkbSettings, RestoreRefusesADamagedOrWrongSizedFileUnlessForced) {
    VirtualBoards boards({"TKB-20U"});
    const std::filesystem::path file = boards.path() / "settings.bin";
    Bytes damaged = SampleBlock();
    damaged[0x84] ^= 0x01;  // UVC_Width no longer matches the checksum
    WriteFile(file, damaged);
    boards.ForgetFrames();

    const TkbRun refused = Tkb({"settings", "restore", file.string()});
    EXPECT_EQ(refused.status, kExitFailed);
    EXPECT_NE(refused.err.find("UVC checksum"), std::string::npos) << refused.err;
    EXPECT_TRUE(boards.TakeFrames().empty());

    const Bytes sample = SampleBlock();
    WriteFile(file, Bytes(sample.begin(), sample.begin() + 300));
    const TkbRun shortFile = Tkb({"settings", "restore", file.string()});
    EXPECT_EQ(shortFile.status, kExitFailed);
    EXPECT_NE(shortFile.err.find("holds 300 bytes"), std::string::npos);
    EXPECT_TRUE(boards.TakeFrames().empty());

    WriteFile(file, damaged);
    ASSERT_EQ(Tkb({"settings", "restore", file.string(), "--force"}).status, kExitDone);
    EXPECT_EQ(boards.Board()->ReadFlash(kSettingsAddress + 0x84, 1), (Bytes{damaged[0x84]}));

    // An erased block (no UVC marker) is not one the program wrote.
    WriteFile(file, Bytes(kSettingsBlockSize, 0xFF));
    EXPECT_NE(Tkb({"settings", "restore", file.string()}).err.find("UVC marker"), std::string::npos);
}

TEST(TkbSettingsFields, ValuesAreCheckedBeforeAnythingChanges) {
    TKBSetting setting;
    EXPECT_EQ(ApplySettings(setting, {{"UVC_Width", "65536"}}),
              "'UVC_Width=65536': the value must be a whole number from 0 to 65535");
    EXPECT_EQ(ApplySettings(setting, {{"ClipEnable", "2"}}),
              "'ClipEnable=2': the value must be a whole number from 0 to 1");
    EXPECT_EQ(ApplySettings(setting, {{"I2CDelay", "12x"}}),
              "'I2CDelay=12x': the value must be a whole number from 0 to 255");
    EXPECT_NE(ApplySettings(setting, {{"UVC_FPS", "1.2.3"}}), std::nullopt);
    EXPECT_NE(ApplySettings(setting, {{"RawImage", "00"}}).value_or("").find("cannot be set"),
              std::string::npos);
    EXPECT_EQ(ApplySettings(setting, {{"UVC_Color", "-1"}, {"Decimation", "0x3"}}), std::nullopt);
    EXPECT_EQ(setting.UVC_Color, -1);
    EXPECT_EQ(setting.Decimation, 3);
    EXPECT_EQ(FindSettingsField("Decimation")->meaning(setting), "1/4");
    EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\u000a\"");
}

}  // namespace
}  // namespace tkbctl::cli::test
