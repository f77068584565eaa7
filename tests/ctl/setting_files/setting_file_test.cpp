#include "setting_files/setting_file.h"

#include <gtest/gtest.h>

#include <string>

namespace tkbctl::test {

void PrintTo(const SettingFileWrite& write, std::ostream* os) {
    *os << "line " << write.line << ": write slave 0x" << std::hex << write.slave << " address 0x"
        << write.address << " data";
    for (uint8_t byte : write.data)
        *os << " " << int(byte);
    *os << std::dec;
}
void PrintTo(const SettingFileWait& wait, std::ostream* os) {
    *os << "line " << wait.line << ": wait " << wait.milliseconds << " ms";
}

namespace {

constexpr uint32_t kFieldSlave = 0x21;

SettingFileParse Parse(const std::string& text, uint32_t slave = kFieldSlave) {
    return ParseSettingFile({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, slave);
}

SettingFileStep Write(int line, uint32_t slave, uint32_t address, std::vector<uint8_t> data) {
    return SettingFileWrite{line, slave, address, std::move(data)};
}
SettingFileStep Wait(int line, uint32_t ms) {
    return SettingFileWait{line, ms};
}

using Steps = std::vector<SettingFileStep>;

Steps StepsOf(const std::string& text) {
    SettingFileParse parse = Parse(text);
    EXPECT_FALSE(parse.error) << SettingFileErrorText(*parse.error);
    return parse.steps;
}

SettingFileError ErrorOf(const std::string& text) {
    SettingFileParse parse = Parse(text);
    EXPECT_TRUE(parse.steps.empty());
    return parse.error.value_or(SettingFileError{});
}

TEST(SettingFileParse, KeywordsSetSlaveBaseAndWaits) {
    EXPECT_EQ(StepsOf("SLAVE 3C\r\n10 01 02\r\n"), (Steps{Write(2, 0x3C, 0x10, {0x01, 0x02})}));
    EXPECT_EQ(StepsOf("UNIT 10\r\nSLAVE 60\r\n16 1\r\n"), (Steps{Write(3, 60, 16, {1})}));
    EXPECT_EQ(StepsOf("SLAVE 8\r\n10000000 00 00 01 00\r\n"), (Steps{Write(2, 8, 0x10000000, {0, 0, 1, 0})}));
    EXPECT_EQ(StepsOf("10 1\r\nwt 64\r\n11 2\r\nWT 10\r\n"),
              (Steps{Write(1, kFieldSlave, 0x10, {1}), Wait(2, 100), Write(3, kFieldSlave, 0x11, {2}),
                     Wait(4, 16)}));
    // The field's slave address holds until a SLAVE keyword; a line of one number writes no data.
    EXPECT_EQ(StepsOf("10\r\n"), (Steps{Write(1, kFieldSlave, 0x10, {})}));
}

TEST(SettingFileParse, PendingKeywordTakesTheFirstItemOfTheNextLine) {
    EXPECT_EQ(StepsOf("SLAVE\r\n3C 10 01\r\n"), (Steps{Write(2, 0x3C, 0x10, {0x01})}));
    // Keywords are tested before pending flags, and the base is taken before the slave.
    EXPECT_EQ(StepsOf("SLAVE UNIT 10 3C 12 7\r\n"), (Steps{Write(1, 3, 12, {7})}));
    // Leading characters decide, case-sensitively.
    EXPECT_EQ(StepsOf("UNITS 10\r\nWTx 5\r\nwt_ms 5\r\nSLAVE_ADDR 9\r\n1 2\r\n"),
              (Steps{Wait(2, 5), Wait(3, 5), Write(5, 9, 1, {2})}));
    EXPECT_EQ(ErrorOf("Wt 5\r\n"), (SettingFileError{SettingFileFault::kNotANumber, 1, "Wt"}));
    EXPECT_EQ(ErrorOf("slave 5\r\n"), (SettingFileError{SettingFileFault::kNotANumber, 1, "slave"}));
}

TEST(SettingFileParse, CommentsAndSeparators) {
    EXPECT_EQ(StepsOf("10 20 ; comment 30\r\n"), (Steps{Write(1, kFieldSlave, 0x10, {0x20})}));
    EXPECT_EQ(StepsOf("10 20#30\r\n"), (Steps{Write(1, kFieldSlave, 0x10, {0x20})}));
    EXPECT_EQ(StepsOf("  # a note 10 20\r\n# 10\r\n; 10\r\n/ 10\r\n//10\r\n\r\n"), Steps{});
    // '/' inside a line is an ordinary character; "10/2" reads as 0x10.
    EXPECT_EQ(StepsOf("10/2 5\r\n"), (Steps{Write(1, kFieldSlave, 0x10, {5})}));
    EXPECT_EQ(StepsOf(",,10,\t 20 ,, 30,\r\n"), (Steps{Write(1, kFieldSlave, 0x10, {0x20, 0x30})}));
    // A zero byte ends its line only.
    EXPECT_EQ(StepsOf(std::string("10 20\0 30\r\n11 5", 16)),
              (Steps{Write(1, kFieldSlave, 0x10, {0x20}), Write(2, kFieldSlave, 0x11, {5})}));
}

TEST(SettingFileParse, OnlyCrLfEndsALine) {
    // With LF alone the file is one line: "3C\n10" is read as 3C by the slave keyword, "02\n" as 02.
    EXPECT_EQ(StepsOf("SLAVE 3C\n10 01 02\n"), (Steps{Write(1, 0x3C, 0x01, {0x02})}));
    EXPECT_EQ(StepsOf("10 01\r20 02\r\n"), (Steps{Write(1, kFieldSlave, 0x10, {0x01, 0x02})}));
    EXPECT_EQ(StepsOf("10 01\r\n20 02"),
              (Steps{Write(1, kFieldSlave, 0x10, {0x01}), Write(2, kFieldSlave, 0x20, {0x02})}));
}

TEST(SettingFileParse, NumbersFollowTheBase) {
    // Hexadecimal: "0x" prefix, trailing junk ignored, low 8 bits for data, a sign wraps.
    EXPECT_EQ(StepsOf("0x10 1G 123 -1 0X\r\n"),
              (Steps{Write(1, kFieldSlave, 0x10, {0x01, 0x23, 0xFF, 0x00})}));
    // Beyond 32 bits the low 32 bits remain.
    EXPECT_EQ(StepsOf("123456789 0\r\n"), (Steps{Write(1, kFieldSlave, 0x23456789, {0})}));
    // Decimal: no prefix, so "0x10" is 0; negative values are two's complement.
    EXPECT_EQ(StepsOf("UNIT 10\r\n0x10 255 256 -2\r\nUNIT 16\r\n10\r\n"),
              (Steps{Write(2, kFieldSlave, 0, {0xFF, 0x00, 0xFE}), Write(4, kFieldSlave, 0x10, {})}));
    // Any base but 16 is decimal; the base item itself is always decimal.
    EXPECT_EQ(StepsOf("UNIT 8\r\n19\r\nUNIT 16\r\n19\r\n"),
              (Steps{Write(2, kFieldSlave, 19, {}), Write(4, kFieldSlave, 0x19, {})}));
    EXPECT_EQ(StepsOf("wt 0xFFFFFFFF\r\nwt -0\r\n"), (Steps{Wait(1, 0xFFFFFFFF), Wait(2, 0)}));
}

TEST(SettingFileParse, BadItemsRefuseTheWholeFile) {
    EXPECT_EQ(ErrorOf("10 01\r\n10 ZZ\r\n"), (SettingFileError{SettingFileFault::kNotANumber, 2, "ZZ"}));
    EXPECT_EQ(ErrorOf("UNIT ten\r\n"), (SettingFileError{SettingFileFault::kNotANumber, 1, "ten"}));
    EXPECT_EQ(ErrorOf("-\r\n"), (SettingFileError{SettingFileFault::kNotANumber, 1, "-"}));
    EXPECT_EQ(ErrorOf("10 1\r\nwt -1\r\n"), (SettingFileError{SettingFileFault::kNegativeWait, 2, "-1"}));
    EXPECT_EQ(ErrorOf("UNIT 10\r\nwt -5\r\n"), (SettingFileError{SettingFileFault::kNegativeWait, 2, "-5"}));
}

TEST(SettingFileParse, LimitsOfALine) {
    const std::string longest = "10 " + std::string(kSettingFileMaxLineLength - 3, '1');
    EXPECT_EQ(StepsOf(longest + "\r\n").size(), 1u);
    EXPECT_EQ(ErrorOf("10 01\r\n" + longest + "1\r\n"),
              (SettingFileError{SettingFileFault::kLineTooLong, 2, {}}));
    // Comment lines are lines too.
    EXPECT_EQ(ErrorOf("#" + std::string(kSettingFileMaxLineLength, 'x')).line, 1);

    std::string twenty = "SLAVE 3C UNIT 10 wt 1";
    for (int i = 0; i < 20; ++i)
        twenty += " " + std::to_string(i + 240);
    SettingFileParse parse = Parse(twenty + "\r\n");
    ASSERT_FALSE(parse.error);
    ASSERT_EQ(parse.steps.size(), 2u);
    const auto& write = std::get<SettingFileWrite>(parse.steps[1]);
    EXPECT_EQ(write.address, 240u);
    EXPECT_EQ(write.data.size(), 19u);
    EXPECT_EQ(write.data.back(), 3u);  // 259 & 0xFF
    EXPECT_EQ(ErrorOf("1 1\r\n" + twenty + " 1\r\n"),
              (SettingFileError{SettingFileFault::kTooManyNumbers, 2, {}}));
}

TEST(SettingFileParse, EmptyFiles) {
    EXPECT_EQ(ErrorOf("").fault, SettingFileFault::kEmpty);
    EXPECT_EQ(ErrorOf(std::string("\0SLAVE 3C\r\n10 1", 15)).fault, SettingFileFault::kEmpty);
    // Only comments: not empty, just nothing to do.
    EXPECT_EQ(StepsOf("# nothing\r\n"), Steps{});
}

TEST(SettingFileParse, ErrorTextNamesTheLine) {
    EXPECT_EQ(SettingFileErrorText({SettingFileFault::kNotANumber, 7, "ZZ"}),
              "Setting file line 7: \"ZZ\" is not a number.\nNothing was written.");
    EXPECT_EQ(SettingFileErrorText({SettingFileFault::kLineTooLong, 12, {}}),
              "Setting file line 12 is longer than 255 characters.\nNothing was written.");
    EXPECT_EQ(SettingFileErrorText({SettingFileFault::kTooManyNumbers, 3, {}}),
              "Setting file line 3 holds more than 20 numbers (an address and at most 19 data bytes).\n"
              "Nothing was written.");
}

}  // namespace
}  // namespace tkbctl::test
