// The portable profile functions against the real ones: the same INI files and the same calls go
// to both, and every result must be identical: return values, the whole caller buffer (including
// the bytes after the terminator and a guard beyond the size), and the file's bytes after a write.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ini/portable_profile.h"

namespace {

using namespace std::string_literals;

enum class Call { kString, kInt, kWrite };

struct Case {
    const char* name;
    std::optional<std::string> file;  // nullopt: no file
    Call call;
    const char* section;
    const char* key;
    const char* text;  // the default of a string read, or the value written
    uint32_t size = 64;
    int32_t intDefault = 0;
    bool missingFolder = false;
    bool readOnly = false;
};

constexpr size_t kGuard = 8;
constexpr char kUntouched = '\xCC';

struct Outcome {
    uint32_t result = 0;
    std::string buffer;                    // size + guard bytes as the call left them
    std::optional<std::string> fileAfter;  // nullopt: no file
};

struct ProfileApi {
    uint32_t (*getString)(const char*, const char*, const char*, char*, uint32_t, const char*);
    uint32_t (*getInt)(const char*, const char*, int32_t, const char*);
    bool (*writeString)(const char*, const char*, const char*, const char*);
};

const ProfileApi kWindows = {
    [](const char* s, const char* k, const char* d, char* b, uint32_t n, const char* p) -> uint32_t {
        return GetPrivateProfileStringA(s, k, d, b, n, p);
    },
    [](const char* s, const char* k, int32_t d, const char* p) -> uint32_t {
        return GetPrivateProfileIntA(s, k, d, p);
    },
    [](const char* s, const char* k, const char* v, const char* p) -> bool {
        return WritePrivateProfileStringA(s, k, v, p) != 0;
    },
};

const ProfileApi kPortable = {tkbctl::PortableGetString, tkbctl::PortableGetInt, tkbctl::PortableWriteString};

std::optional<std::string> ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Outcome RunCase(const ProfileApi& api, const Case& c, const std::filesystem::path& path) {
    if (c.file) {
        std::ofstream(path, std::ios::binary) << *c.file;
    }
    if (c.readOnly) {
        SetFileAttributesA(path.string().c_str(), FILE_ATTRIBUTE_READONLY);
    }
    const std::string file = path.string();
    Outcome outcome;
    outcome.buffer.assign(c.size + kGuard, kUntouched);
    switch (c.call) {
        case Call::kString:
            outcome.result =
                api.getString(c.section, c.key, c.text, outcome.buffer.data(), c.size, file.c_str());
            break;
        case Call::kInt:
            outcome.result = api.getInt(c.section, c.key, c.intDefault, file.c_str());
            break;
        case Call::kWrite:
            outcome.result = api.writeString(c.section, c.key, c.text, file.c_str()) ? 1 : 0;
            break;
    }
    outcome.fileAfter = ReadWhole(path);
    return outcome;
}

const std::string kLongValue(300, 'v');

// clang-format off
const Case kCases[] = {
    // Reading texts: names, blanks, quotes.
    {"plain", "[Sec]\r\nKey=Value\r\n", Call::kString, "Sec", "Key", "d"},
    {"names ignore case", "[SeC]\r\nkEy=v\r\n", Call::kString, "sec", "KEY", "d"},
    {"blanks around name and value in the file", "[Sec]\r\n  Key \t=  Value  \r\n", Call::kString, "Sec", "Key", "d"},
    {"blanks around the asked names", "[Sec]\r\nKey=v\r\n", Call::kString, " Sec\t", "\tKey ", "d"},
    {"blanks inside the header brackets", "[ Sec ]\r\nKey=v\r\n", Call::kString, "Sec", "Key", "d"},
    {"blanks inside the header asked as such", "[ Sec ]\r\nKey=v\r\n", Call::kString, " Sec ", "Key", "d"},
    {"double quotes removed", "[S]\r\nK=\"quoted value\"\r\n", Call::kString, "S", "K", "d"},
    {"single quotes removed", "[S]\r\nK='x y'\r\n", Call::kString, "S", "K", "d"},
    {"mismatched quotes kept", "[S]\r\nK=\"abc'\r\n", Call::kString, "S", "K", "d"},
    {"lone quote kept", "[S]\r\nK=\"\r\n", Call::kString, "S", "K", "d"},
    {"empty quotes", "[S]\r\nK=\"\"\r\n", Call::kString, "S", "K", "d"},
    {"inner quotes kept", "[S]\r\nK=a\"b\"\r\n", Call::kString, "S", "K", "d"},
    {"quotes keep inner blanks", "[S]\r\nK=  \" padded \"  \r\n", Call::kString, "S", "K", "d"},
    {"value holding =", "[S]\r\nK=a=b\r\n", Call::kString, "S", "K", "d"},
    {"Ctrl-Z is a blank", "[S]\r\nK=v\x1a\r\n", Call::kString, "S", "K", "d"},
    {"zero byte ends the value", "[S]\r\nK=ab\0cd\r\nL=2\r\n"s, Call::kString, "S", "K", "d"},
    {"zero byte in a name", "[S]\r\nK\0x=1\r\n"s, Call::kString, "S", "K", "d"},
    // Missing things and defaults.
    {"missing file", std::nullopt, Call::kString, "S", "K", "dflt"},
    {"empty file", "", Call::kString, "S", "K", "dflt"},
    {"missing section", "[Other]\r\nK=v\r\n", Call::kString, "S", "K", "dflt"},
    {"missing key", "[S]\r\nOther=v\r\n", Call::kString, "S", "K", "dflt"},
    {"null default", "[S]\r\n", Call::kString, "S", "K", nullptr},
    {"default loses trailing spaces", "[S]\r\n", Call::kString, "S", "K", "abc  \t  "},
    {"default of spaces only", "[S]\r\n", Call::kString, "S", "K", "   "},
    {"default loses its quotes", "[S]\r\n", Call::kString, "S", "K", "\"q\""},
    {"missing folder keeps the default's quotes", std::nullopt, Call::kString, "S", "K", "\"q\"", 64, 0, true},
    {"line without = gives the default", "[S]\r\nK\r\n", Call::kString, "S", "K", "d"},
    {"line without = before the key", "[S]\r\nK\r\nK=v\r\n", Call::kString, "S", "K", "d"},
    {"empty value is no default", "[S]\r\nK=\r\n", Call::kString, "S", "K", "d"},
    {"empty key name", "[S]\r\n=v\r\n", Call::kString, "S", "", "d"},
    {"blank key name", "[S]\r\n=v\r\n", Call::kString, "S", " ", "d"},
    // Truncation to the caller's buffer.
    {"cut to 4", "[S]\r\nK=abcdefgh\r\n", Call::kString, "S", "K", "d", 4},
    {"exact fit", "[S]\r\nK=abcdefgh\r\n", Call::kString, "S", "K", "d", 9},
    {"size 1", "[S]\r\nK=abcdefgh\r\n", Call::kString, "S", "K", "d", 1},
    {"size 0", "[S]\r\nK=abcdefgh\r\n", Call::kString, "S", "K", "d", 0},
    {"quoted, cut to 6", "[S]\r\nK=\"abcdef\"\r\n", Call::kString, "S", "K", "d", 6},
    {"quoted, size 7", "[S]\r\nK=\"abcdef\"\r\n", Call::kString, "S", "K", "d", 7},
    {"quoted, size 8", "[S]\r\nK=\"abcdef\"\r\n", Call::kString, "S", "K", "d", 8},
    {"quoted, size 9", "[S]\r\nK=\"abcdef\"\r\n", Call::kString, "S", "K", "d", 9},
    {"long value into 128", "[S]\r\nK=" + kLongValue + "\r\n", Call::kString, "S", "K", "d", 128},
    {"long default into 4", "[S]\r\n", Call::kString, "S", "K", "defaultvalue", 4},
    // Line ends and file layout.
    {"LF only", "[S]\nA=1\nK=2\n", Call::kString, "S", "K", "d"},
    {"CR only", "[S]\rA=1\rK=2\r", Call::kString, "S", "K", "d"},
    {"lone CR before a later LF", "[S]\r\nA=1\rK=2\n", Call::kString, "S", "A", "d"},
    {"lone CR before a later LF, second key", "[S]\r\nA=1\rK=2\n", Call::kString, "S", "K", "d"},
    {"no line end at the end", "[S]\r\nK=last", Call::kString, "S", "K", "d"},
    {"blank lines and indentation", "\r\n\r\n   [S]  \r\n\r\n\t K = 1 \r\n\r\n", Call::kString, "S", "K", "d"},
    {"UTF-8 byte order mark", "\xEF\xBB\xBF[S]\r\nK=v\r\n", Call::kString, "S", "K", "d"},
    {"semicolon comment is skipped by the next key", "[S]\r\n;K=hidden\r\nK=shown\r\n", Call::kString, "S", "K", "d"},
    {"semicolon comment asked by name", "[S]\r\n;K=hidden\r\n", Call::kString, "S", ";K", "d"},
    {"hash line", "[S]\r\n#K=x\r\nK=y\r\n", Call::kString, "S", "#K", "d"},
    {"first of duplicate sections wins", "[S]\r\nA=1\r\n[S]\r\nK=2\r\n", Call::kString, "S", "K", "d"},
    {"first of duplicate keys wins", "[S]\r\nK=1\r\nK=2\r\n", Call::kString, "S", "K", "d"},
    {"keys before any section", "K=top\r\n[S]\r\nK=in\r\n", Call::kString, "", "K", "d"},
    {"empty section name", "[]\r\nK=v\r\n", Call::kString, "", "K", "d"},
    {"text after the header", "[S] ; note\r\nK=v\r\n", Call::kString, "S", "K", "d"},
    {"header without ]", "[S\r\nK=v\r\n", Call::kString, "S", "K", "d"},
    {"header without ] read as key", "[S]\r\n[T=v\r\n", Call::kString, "S", "[T", "d"},
    {"header with two ]", "[a]b]\r\nK=v\r\n", Call::kString, "a]b", "K", "d"},
    {"key name with inner blanks", "[S]\r\nMy  Key = v\r\n", Call::kString, "S", "my  key", "d"},
    {"key name with other inner blanks", "[S]\r\nMy  Key = v\r\n", Call::kString, "S", "My Key", "d"},
    {"trailing tab in the value", "[S]\r\nK=v\t\r\n", Call::kString, "S", "K", "d"},
    {"vertical tab and form feed are blanks", "[S]\r\n\vK\f=\fv\v\r\n", Call::kString, "S", "K", "d"},
    {"section asked with its brackets", "[S]\r\nK=v\r\n", Call::kString, "[S]", "K", "d"},
    {"indented header", "  \t[S]\r\nK=v\r\n", Call::kString, "S", "K", "d"},
    {"key line outside any later section", "[S]\r\nK=1\r\n[T]\r\n", Call::kString, "T", "K", "d"},
    {"accented letters match only themselves", "[S]\r\n\xC9=1\r\n", Call::kString, "S", "\xE9", "d"},
    {"bytes without a code page meaning", "[S]\r\nK=\x81\x8D\r\n", Call::kString, "S", "K", "d"},
    {"write keeps bytes without a code page meaning", "[S]\r\nK=\x81\x8D\r\nL=1\r\n", Call::kWrite, "S", "L", "2"},
    {"no-break space is no blank", "[S]\r\nK=\xA0v\xA0\r\n", Call::kString, "S", "K", "d"},
    // Integers.
    {"int", "[S]\r\nK=42\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int negative", "[S]\r\nK=-17\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int plus", "[S]\r\nK=+8\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int hex-looking", "[S]\r\nK=0x1F\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int hex capital X", "[S]\r\nK=0X1F\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int negative hex", "[S]\r\nK=-0x10\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int binary-looking", "[S]\r\nK=0b101\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int octal-looking", "[S]\r\nK=0o17\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int leading zeros", "[S]\r\nK=010\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int trailing text", "[S]\r\nK=12abc\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int no digits", "[S]\r\nK=abc\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int decimal point", "[S]\r\nK=1.9\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int sign then blank", "[S]\r\nK=- 5\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int quoted", "[S]\r\nK=\"15\"\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int quoted with inner blanks", "[S]\r\nK=\"  15\"\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int overflow wraps", "[S]\r\nK=4294967297\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int 2^31", "[S]\r\nK=2147483648\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int far overflow", "[S]\r\nK=99999999999999999999\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int long text cut", "[S]\r\nK=" + std::string(40, '0') + "5\r\n", Call::kInt, "S", "K", nullptr, 0, 7},
    {"int missing", "[S]\r\n", Call::kInt, "S", "K", nullptr, 0, -5},
    {"int empty value", "[S]\r\nK=\r\n", Call::kInt, "S", "K", nullptr, 0, -5},
    {"int missing file", std::nullopt, Call::kInt, "S", "K", nullptr, 0, 3},
    // Writing.
    {"write creates the file", std::nullopt, Call::kWrite, "Sec", "Key", "v"},
    {"write into a missing folder", std::nullopt, Call::kWrite, "Sec", "Key", "v", 64, 0, true},
    {"write adds a key", "[S]\r\nA=1\r\n", Call::kWrite, "S", "K", "v"},
    {"write replaces in place", "[S]\r\nA=1\r\nK=old\r\nB=2\r\n[T]\r\nK=t\r\n", Call::kWrite, "S", "K", "new"},
    {"write adds a section", "[S]\r\nA=1\r\n", Call::kWrite, "T", "K", "v"},
    {"write same value leaves the file", "[S]\n  K  =  v  \n\n;note\n", Call::kWrite, "S", "K", "v"},
    {"write rewrites LF, blanks and comments", "[S]\n  A = 1 \n\n;note\n\n[T]\nK=old\n", Call::kWrite, "T", "K", "v"},
    {"write keeps the stored name's case", "[Sec]\r\nKey=1\r\n", Call::kWrite, "SEC", "KEY", "2"},
    {"write trims the value's leading blanks", "[S]\r\n", Call::kWrite, "S", "K", "  v  "},
    {"write trims the names", "[S]\r\n", Call::kWrite, " New Sec ", " K ", "v"},
    {"write over a line without =", "[S]\r\nK\r\nL=1\r\n", Call::kWrite, "S", "K", "v"},
    {"write into the first of duplicate sections", "[S]\r\nA=1\r\n[S]\r\nK=2\r\n", Call::kWrite, "S", "K", "3"},
    {"write empty value", "[S]\r\nK=1\r\n", Call::kWrite, "S", "K", ""},
    {"write keeps the byte order mark", "\xEF\xBB\xBF[S]\r\nK=1\r\n", Call::kWrite, "S", "K", "2"},
    {"write keeps keys before any section", "top=1\r\n[S]\r\nK=1\r\n", Call::kWrite, "S", "K", "2"},
    {"write into the unnamed section", "top=1\r\n[S]\r\nK=1\r\n", Call::kWrite, "", "top", "2"},
    {"write to an empty section name", "[]\r\nK=1\r\n[S]\r\n", Call::kWrite, "S", "K", "2"},
    {"write a value with a line end", "[S]\r\n", Call::kWrite, "S", "K", "a\r\nb=c"},
    {"write a quoted value", "[S]\r\n", Call::kWrite, "S", "K", "\"q\""},
    {"write after a header without ]", "[S\r\nK=1\r\n", Call::kWrite, "S", "K", "2"},
    {"write to a CR-only file", "[S]\rA=1\rK=1\r", Call::kWrite, "S", "K", "2"},
    {"write a new key after a line without =", "[S]\r\nstray\r\n", Call::kWrite, "S", "K", "v"},
    {"write a key with inner blanks", "[S]\r\n", Call::kWrite, "S", "My  Key", "v"},
    {"write the same value to a read-only file", "[S]\r\nK=1\r\n", Call::kWrite, "S", "K", "1", 64, 0, false, true},
    {"write a new value to a read-only file", "[S]\r\nK=1\r\n", Call::kWrite, "S", "K", "2", 64, 0, false, true},
    {"read a read-only file", "[S]\r\nK=1\r\n", Call::kString, "S", "K", "d", 64, 0, false, true},
    {"write rewrites a header with blanks and a note", "[ S ] ; note\r\nK=1\r\n", Call::kWrite, "S", "K", "2"},
    {"write collapses repeated nameless lines", "[S]\r\n=a\r\n=b\r\nK=1\r\n", Call::kWrite, "S", "K", "2"},
};
// clang-format on

class ProfileDifferentialTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("tkb_profile_" + std::to_string(GetCurrentProcessId()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        std::filesystem::remove_all(folder_);
    }

    std::filesystem::path folder_;
};

TEST_F(ProfileDifferentialTest, PortableMatchesWindowsOnEveryCase) {
    ASSERT_GE(std::size(kCases), 40u);
    int index = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path base = c.missingFolder ? folder_ / "missing" : folder_;
        const std::string number = std::to_string(index++);
        const Outcome windows = RunCase(kWindows, c, base / ("windows" + number + ".ini"));
        const Outcome portable = RunCase(kPortable, c, base / ("portable" + number + ".ini"));
        EXPECT_EQ(windows.result, portable.result);
        EXPECT_EQ(windows.buffer, portable.buffer);
        EXPECT_EQ(windows.fileAfter, portable.fileAfter);
        EXPECT_EQ(portable.buffer.substr(c.size), std::string(kGuard, kUntouched));
    }
}

// Random files of INI-ish bytes and random calls: the two must agree on every one.
TEST_F(ProfileDifferentialTest, PortableMatchesWindowsOnRandomFiles) {
    std::mt19937 random(77);
    const std::string alphabet =
        "[]=;\"' \t\r\n\x1a"
        "ABab01x-";
    const char* names[] = {"A", "a", " a ", "b", "", "[", ";A", "\"", "A b"};
    for (int round = 0; round < 300; ++round) {
        std::string contents(random() % 48, ' ');
        for (char& c : contents) {
            c = alphabet[random() % alphabet.size()];
        }
        const Call call = static_cast<Call>(random() % 3);
        const char* values[] = {"v", " q ", "\"x\"", "", "7", "-0x1f"};
        const Case c{"random",
                     contents,
                     call,
                     names[random() % std::size(names)],
                     names[random() % std::size(names)],
                     values[random() % std::size(values)],
                     static_cast<uint32_t>(random() % 12),
                     static_cast<int32_t>(random() % 5) - 2};
        SCOPED_TRACE("round " + std::to_string(round) + ": " + ::testing::PrintToString(contents) +
                     " section " + c.section + " key " + c.key + " call " +
                     std::to_string(static_cast<int>(call)));
        const std::string number = std::to_string(round);
        const Outcome windows = RunCase(kWindows, c, folder_ / ("rwindows" + number + ".ini"));
        const Outcome portable = RunCase(kPortable, c, folder_ / ("rportable" + number + ".ini"));
        EXPECT_EQ(windows.result, portable.result);
        EXPECT_EQ(windows.buffer, portable.buffer);
        EXPECT_EQ(windows.fileAfter, portable.fileAfter);
    }
}

}  // namespace
