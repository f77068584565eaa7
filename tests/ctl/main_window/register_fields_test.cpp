#include "main_window/register_fields.h"

#include <gtest/gtest.h>

namespace tkbctl::test {
namespace {

TEST(RegisterFields, HexNumbersAsStrtoulBase16ReadsThem) {
    EXPECT_EQ(ParseHex("3C"), 0x3Cu);
    EXPECT_EQ(ParseHex("0x10"), 0x10u);
    EXPECT_EQ(ParseHex("0x"), 0u);
    EXPECT_EQ(ParseHex("1G"), 1u);
    EXPECT_EQ(ParseHex("G1"), 0u);
    EXPECT_EQ(ParseHex("123456789"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseHex("-1"), 0xFFFFFFFFu);
}

TEST(RegisterFields, ValueLists) {
    EXPECT_EQ(ParseValueList("12,3,AB"), (std::vector<uint8_t>{0x12, 0x03, 0xAB}));
    EXPECT_EQ(ParseValueList("123"), std::vector<uint8_t>{0x23});
    EXPECT_TRUE(ParseValueList(",,,").empty());
    EXPECT_EQ(ParseValueList(",1,,2,"), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(ParseValueList("1 2\t3\r\n4"), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(RegisterFields, FieldClassesAndFpgaValues) {
    EXPECT_EQ(StripField(" \t10 \r\n"), "10");
    EXPECT_TRUE(IsAlphanumeric("3c0A"));
    EXPECT_FALSE(IsAlphanumeric("3C,"));
    EXPECT_FALSE(IsAlphanumeric("3\xC3\xA9"));
    EXPECT_TRUE(IsAlphanumericOrComma("1,2,G"));
    EXPECT_FALSE(IsAlphanumericOrComma("1;2"));
    EXPECT_TRUE(IsNoneValue("NoNe"));
    EXPECT_FALSE(IsNoneValue("nonee"));
    EXPECT_EQ(ParseFpgaValue("100"), 0x100u);
    EXPECT_EQ(ParseFpgaValue("1G"), 1u);
    EXPECT_EQ(ParseFpgaValue("ZZ"), std::nullopt);
    EXPECT_EQ(ParseFpgaValue(""), std::nullopt);
}

TEST(RegisterFields, ReadLines) {
    const uint8_t bytes[] = {0x0A, 0xFF, 0x10};
    EXPECT_EQ(FormatReadLine(bytes, 3), "0A,FF,10");
    EXPECT_EQ(FormatReadLine(bytes, 0), "(No Data)");
}

}  // namespace
}  // namespace tkbctl::test
