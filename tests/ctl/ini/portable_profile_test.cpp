// The portable profile functions on their own. Their agreement with Windows is proven by the
// differential test under Wine; here: what the native program relies on, and robustness against
// any file and any buffer size.
#include "ini/portable_profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/ini_test_support.h"

namespace tkbctl::test {
namespace {

class PortableProfileTest : public test::IniFolderTest {};

TEST_F(PortableProfileTest, WritingCreatesThenReplacesInPlace) {
    const std::string path = PathOf("p.ini");
    ASSERT_TRUE(PortableWriteString("Prog", "A", "1", path.c_str()));
    ASSERT_TRUE(PortableWriteString("Prog", "B", "2", path.c_str()));
    ASSERT_TRUE(PortableWriteString("Other", "A", "x", path.c_str()));
    ASSERT_TRUE(PortableWriteString("prog", "a", "one", path.c_str()));
    EXPECT_EQ(ReadFile("p.ini"), "[Prog]\r\nA=one\r\nB=2\r\n[Other]\r\nA=x\r\n");
    char value[8];
    EXPECT_EQ(PortableGetString("PROG", " A ", "d", value, sizeof value, path.c_str()), 3u);
    EXPECT_STREQ(value, "one");
    EXPECT_EQ(PortableGetInt("Prog", "B", -1, path.c_str()), 2u);
}

TEST_F(PortableProfileTest, UnchangedValueLeavesTheFileAlone) {
    WriteFile("p.ini", "[S]\n  K =  v \n");
    ASSERT_TRUE(PortableWriteString("S", "K", "v", PathOf("p.ini").c_str()));
    EXPECT_EQ(ReadFile("p.ini"), "[S]\n  K =  v \n");
}

TEST_F(PortableProfileTest, CommentsAndStrayLinesSurviveAWrite) {
    WriteFile("p.ini", ";head\n[S]\n;note\nstray\nK=1\n");
    ASSERT_TRUE(PortableWriteString("S", "K", "2", PathOf("p.ini").c_str()));
    EXPECT_EQ(ReadFile("p.ini"), ";head\r\n[S]\r\n;note\r\nstray\r\nK=2\r\n");
}

TEST_F(PortableProfileTest, AFileThatCannotBeUpdatedRefusesEveryWrite) {
    WriteFile("p.ini", "[S]\r\nK=1\r\n");
    std::filesystem::permissions(folder_ / "p.ini", std::filesystem::perms::owner_read);
    std::FILE* probe = std::fopen(PathOf("p.ini").c_str(), "r+b");
    if (probe != nullptr) {
        std::fclose(probe);
        GTEST_SKIP() << "this user may write read-only files";
    }
    EXPECT_FALSE(PortableWriteString("S", "K", "1", PathOf("p.ini").c_str()));
    EXPECT_FALSE(PortableWriteString("S", "K", "2", PathOf("p.ini").c_str()));
    EXPECT_EQ(ReadFile("p.ini"), "[S]\r\nK=1\r\n");
}

// Random files of INI-ish bytes read and rewritten through every buffer size from 0 to beyond the
// values: nothing is written past the buffer, the result always counts the terminated text, and
// what a write stores reads back. Run under the address sanitizer this also catches any overrun
// inside the parser.
TEST_F(PortableProfileTest, SurvivesRandomFilesAndEveryBufferSize) {
    std::mt19937 random(20240501);
    const std::string alphabet = "[]=;\"' \t\r\n\x1a\0ABab01x-";
    const char* keys[] = {"A", "a", "", " ", "b", "[", "\"", ";A"};
    const char* sections[] = {"A", "", " a ", "]", "b"};
    const std::string path = PathOf("fuzz.ini");
    for (int round = 0; round < 400; ++round) {
        std::string contents(random() % 64, '\0');
        for (char& c : contents) {
            c = alphabet[random() % alphabet.size()];
        }
        WriteFile("fuzz.ini", contents);
        const char* section = sections[random() % std::size(sections)];
        const char* key = keys[random() % std::size(keys)];
        for (uint32_t size = 0; size < 24; ++size) {
            std::vector<char> buffer(size + 4, '\x7f');
            const uint32_t count =
                PortableGetString(section, key, "\"dd\"", buffer.data(), size, path.c_str());
            for (uint32_t i = size; i < buffer.size(); ++i) {
                ASSERT_EQ(buffer[i], '\x7f') << "round " << round << " size " << size;
            }
            if (size == 0) {
                ASSERT_EQ(count, 0u);
            } else {
                ASSERT_LT(count, size);
                ASSERT_EQ(buffer[count], '\0');
            }
        }
        PortableGetInt(section, key, 5, path.c_str());
        ASSERT_TRUE(PortableWriteString(section, key, "written", path.c_str())) << "round " << round;
        char back[16];
        PortableGetString(section, key, "", back, sizeof back, path.c_str());
        // A key made only of quotes or a lone '[' may be read differently; plain names read back.
        if (std::string(key) == "A" || std::string(key) == "b") {
            ASSERT_STREQ(back, "written")
                << "round " << round << " file " << ::testing::PrintToString(contents);
        }
    }
}

}  // namespace
}  // namespace tkbctl::test
