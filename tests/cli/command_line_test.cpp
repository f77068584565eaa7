// The command-line grammar: what each command line means, and which ones are refused with which
// word named.
#include <gtest/gtest.h>

#include "core/command_line.h"

namespace tkbctl::cli {
namespace {

Command Parse(const std::vector<std::string>& args) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    EXPECT_TRUE(parsed.command.has_value()) << parsed.error;
    return parsed.command.value_or(Command{});
}

std::string Refusal(const std::vector<std::string>& args) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    EXPECT_FALSE(parsed.command.has_value());
    return parsed.error;
}

TEST(CommandLine, NumbersAreHexadecimalWithOptionalPrefixAndCountsDecimal) {
    const Command read = Parse({"-b", "3", "i2c", "read", "0x3c", "1A", "10", "--repeated-start"});
    EXPECT_EQ(read.kind, CommandKind::kI2cRead);
    EXPECT_EQ(read.board, 3u);
    EXPECT_EQ(read.slave, 0x3Cu);
    EXPECT_EQ(read.address, 0x1Au);
    EXPECT_EQ(read.count, 10u);  // decimal, not 0x10
    EXPECT_TRUE(read.repeatedStart);
    EXPECT_FALSE(read.word);

    const Command write = Parse({"i2c", "write", "3C", "0x1234", "ff", "0X01", "--word"});
    EXPECT_EQ(write.board, 0u);
    EXPECT_EQ(write.address, 0x1234u);
    EXPECT_EQ(write.bytes, (std::vector<uint8_t>{0xFF, 0x01}));

    const Command fpga = Parse({"fpga", "write", "0x10000000", "FFFFFFFF"});
    EXPECT_EQ(fpga.address, 0x10000000u);
    EXPECT_EQ(fpga.value, 0xFFFFFFFFu);
    EXPECT_EQ(Parse({"fpga", "read", "080000D0"}).count, 1u);
    EXPECT_EQ(Parse({"fpga", "read", "080000D0", "4"}).count, 4u);
}

TEST(CommandLine, WordsOutOfRangeOrNotWholeNumbersAreNamed) {
    EXPECT_EQ(Refusal({"i2c", "read", "3G", "10", "1"}),
              "tkb i2c read: '3G' is not a slave address (hexadecimal, at most 0x7F)");
    EXPECT_EQ(Refusal({"i2c", "read", "80", "10", "1"}),
              "tkb i2c read: '80' is not a slave address (hexadecimal, at most 0x7F)");
    // A byte sub-address stops at FF; a word one at FFFF.
    EXPECT_NE(Refusal({"i2c", "read", "3C", "100", "1"}).find("'100'"), std::string::npos);
    EXPECT_EQ(Parse({"i2c", "read", "3C", "100", "1", "--word"}).address, 0x100u);
    EXPECT_NE(Refusal({"i2c", "read", "3C", "10000", "1", "--word"}).find("'10000'"), std::string::npos);
    EXPECT_EQ(Refusal({"i2c", "read", "3C", "10", "0"}),
              "tkb i2c read: '0' is not a byte count (decimal, 1 to 255)");
    EXPECT_NE(Refusal({"i2c", "read", "3C", "10", "256"}).find("'256'"), std::string::npos);
    EXPECT_NE(Refusal({"i2c", "read", "3C", "10", "0x10"}).find("'0x10'"), std::string::npos);
    EXPECT_NE(Refusal({"i2c", "write", "3C", "10", "1", "100"}).find("'100' is not a data byte"),
              std::string::npos);
    EXPECT_NE(Refusal({"fpga", "write", "0x", "1"}).find("'0x'"), std::string::npos);
    EXPECT_NE(Refusal({"fpga", "write", "100000000", "1"}).find("'100000000'"), std::string::npos);
    EXPECT_NE(Refusal({"fpga", "read", "0", "1025"}).find("'1025'"), std::string::npos);
}

TEST(CommandLine, SlaveEightIsTheFpgaAndIsRefusedForI2cCommands) {
    EXPECT_EQ(Refusal({"i2c", "write", "8", "10", "1"}),
              "tkb i2c write: slave address 08 is the FPGA; use 'tkb fpga read' or 'tkb fpga write'");
    EXPECT_FALSE(ParseCommandLine({"dump", "08"}).command);
    // A setting file's first slave may be the FPGA, as the program's field may say.
    EXPECT_EQ(Parse({"run", "f.txt", "--slave", "8"}).slave, 8u);
}

TEST(CommandLine, MissingAndExtraWordsAndUnknownOptions) {
    EXPECT_EQ(Refusal({"i2c", "read", "3C", "10"}), "tkb i2c read: missing byte count");
    EXPECT_EQ(Refusal({"i2c", "write", "3C", "10"}), "tkb i2c write: missing data byte (at least one BYTE)");
    EXPECT_EQ(Refusal({"fpga", "write", "10", "1", "2"}), "tkb fpga write: unexpected argument '2'");
    EXPECT_EQ(Refusal({"list", "--wide"}), "tkb list: unknown option '--wide' (see 'tkb list --help')");
    EXPECT_EQ(Refusal({"fpga", "read", "0", "--json"}),
              "tkb fpga read: unknown option '--json' (see 'tkb fpga read --help')");
    EXPECT_EQ(Refusal({"flash"}), "tkb: unknown command 'flash' (see 'tkb --help')");
    EXPECT_EQ(Refusal({"i2c", "peek"}), "tkb: unknown command 'i2c peek' (see 'tkb --help')");
    EXPECT_EQ(Refusal({"update"}), "tkb update: missing sub-command (see 'tkb update --help')");
    EXPECT_EQ(Refusal({}), "tkb: missing command (see 'tkb --help')");
    EXPECT_EQ(Refusal({"run", "f.txt", "--slave"}), "tkb run: '--slave' needs a slave address");
    EXPECT_EQ(Refusal({"settings", "set", "UVC_Width"}), "tkb settings set: 'UVC_Width' is not FIELD=VALUE");
    EXPECT_EQ(Refusal({"settings", "set"}), "tkb settings set: missing FIELD=VALUE");
}

TEST(CommandLine, BoardIndexComesBeforeTheCommandOnly) {
    EXPECT_EQ(Refusal({"status", "-b", "1"}), "tkb status: '-b' must come before the command");
    EXPECT_EQ(Refusal({"-b", "5", "status"}), "tkb: '5' is not a board index (0 to 4)");
    EXPECT_EQ(Refusal({"-b"}), "tkb: '-b' needs a board index (0 to 4)");
    EXPECT_EQ(Refusal({"-b", "1", "-b", "2", "list"}), "tkb: '-b' is given twice");
    EXPECT_EQ(Refusal({"-x", "list"}), "tkb: unknown option '-x' (see 'tkb --help')");
    EXPECT_EQ(Parse({"-b", "4", "list"}).board, 4u);
}

TEST(CommandLine, OptionsMayStandAnywhereAfterTheCommand) {
    const Command dump = Parse({"dump", "--word", "10", "--setting-file", "0100", "01FF"});
    EXPECT_TRUE(dump.word);
    EXPECT_TRUE(dump.settingFile);
    EXPECT_EQ(dump.slave, 0x10u);
    EXPECT_EQ(dump.first, 0x100u);
    EXPECT_EQ(dump.last, 0x1FFu);
    EXPECT_EQ(Parse({"dump", "3C"}).last, 0xFFu);
    EXPECT_EQ(Refusal({"dump", "3C", "20", "10"}), "tkb dump: the last sub-address is below the first");
    EXPECT_EQ(Refusal({"dump", "3C", "20"}), "tkb dump: missing last sub-address");

    const Command run = Parse({"run", "--dry-run", "init.txt", "--slave", "0x60", "--word"});
    EXPECT_EQ(run.file, "init.txt");
    EXPECT_TRUE(run.dryRun && run.word && run.slaveGiven);
    EXPECT_EQ(run.slave, 0x60u);
    EXPECT_FALSE(Parse({"run", "init.txt"}).slaveGiven);
}

TEST(CommandLine, SettingsAndUpdateCommands) {
    const Command set = Parse({"settings", "set", "UVC_Width=1920", "UVC_FPS=59.94"});
    ASSERT_EQ(set.assignments.size(), 2u);
    EXPECT_EQ(set.assignments[1], (std::pair<std::string, std::string>{"UVC_FPS", "59.94"}));
    EXPECT_TRUE(Parse({"settings", "restore", "b.bin", "--force"}).force);
    EXPECT_EQ(Refusal({"settings", "backup", "b.bin", "--force"}),
              "tkb settings backup: unknown option '--force' (see 'tkb settings backup --help')");

    const Command update = Parse({"update", "multi", "all.bin", "--yes"});
    EXPECT_EQ(update.kind, CommandKind::kUpdate);
    EXPECT_EQ(update.target, UpdateTarget::kMulti);
    EXPECT_TRUE(update.yes);
    EXPECT_EQ(Parse({"update", "fx3", "fw.img"}).target, UpdateTarget::kFx3);
    EXPECT_FALSE(Parse({"update", "fpga", "f.bin"}).yes);
    EXPECT_EQ(Refusal({"update", "fpga"}), "tkb update fpga: missing FILE");
    EXPECT_TRUE(Parse({"status", "--watch"}).watch);
}

TEST(CommandLine, HelpAndVersion) {
    EXPECT_EQ(Parse({"--help"}).kind, CommandKind::kHelp);
    EXPECT_EQ(Parse({"-b", "1", "--version"}).kind, CommandKind::kVersion);
    // A command's help wins over its faults: the user is asking how to write it.
    const Command help = Parse({"i2c", "read", "zz", "--help"});
    EXPECT_EQ(help.kind, CommandKind::kHelp);
    EXPECT_EQ(help.helpTopic, "i2c read");
    EXPECT_EQ(Parse({"update", "--help"}).helpTopic, "update");

    EXPECT_NE(HelpText("").find("Usage: tkb [-b N] COMMAND"), std::string::npos);
    EXPECT_NE(HelpText("i2c read").find("--repeated-start"), std::string::npos);
    EXPECT_NE(HelpText("update").find("--yes"), std::string::npos);
    // Every command of the overview has a text of its own.
    for (const char* topic : {"list", "i2c", "fpga", "dump", "run", "settings", "update", "status"})
        EXPECT_NE(HelpText(topic), HelpText("")) << topic;
}

}  // namespace
}  // namespace tkbctl::cli
