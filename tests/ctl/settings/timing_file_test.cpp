#include "settings/timing_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/ini_test_support.h"

namespace tkbctl::test {
namespace {

using Bytes = std::vector<uint8_t>;

class TimingFileTest : public test::IniFolderTest {
protected:
    // A record whose timing area came from the board: a pattern that shows every untouched byte.
    TKBSetting BoardRecord() {
        TKBSetting setting;
        for (size_t i = 0; i < setting.TimingArea.size(); ++i) {
            setting.TimingArea[i] = static_cast<uint8_t>(0xA0 + i);
        }
        return setting;
    }

    static Bytes At(const TKBSetting& setting, size_t blockOffset) {
        const auto* start = setting.TimingArea.data() + blockOffset - kTimingAreaOffset;
        return Bytes(start, start + 4);
    }
};

// Every byte the load may write: the marker and the twelve keys, two of them stored twice.
constexpr size_t kKeyOffsets[] = {0x110, 0x114, 0x118, 0x120, 0x124, 0x128, 0x130,
                                  0x134, 0x140, 0x144, 0x148, 0x14C, 0x160, 0x164};

bool IsWrittenByALoad(size_t blockOffset) {
    if (blockOffset == kTimingAreaOffset) {
        return true;
    }
    for (size_t offset : kKeyOffsets) {
        if (blockOffset >= offset && blockOffset < offset + 4) {
            return true;
        }
    }
    return false;
}

TEST_F(TimingFileTest, OneKeyLoadsZerosForTheOthersAndKeepsTheRest) {
    WriteFile("one.tkd", "[TKDGenerator]\r\nVSSP=5\r\n");
    TKBSetting setting = BoardRecord();
    const TKBSetting before = setting;
    LoadTimingFile(PathOf("one.tkd"), &setting);

    EXPECT_EQ(setting.TimingArea[0], 0x55);
    EXPECT_EQ(At(setting, 0x110), (Bytes{5, 0, 0, 0}));
    EXPECT_EQ(At(setting, 0x114), (Bytes{5, 0, 0, 0}));
    for (size_t offset : kKeyOffsets) {
        if (offset != 0x110 && offset != 0x114) {
            EXPECT_EQ(At(setting, offset), (Bytes{0, 0, 0, 0})) << std::hex << offset;
        }
    }
    for (size_t i = 0; i < kTimingAreaSize; ++i) {
        if (!IsWrittenByALoad(kTimingAreaOffset + i)) {
            EXPECT_EQ(setting.TimingArea[i], before.TimingArea[i]) << i;
        }
    }
}

TEST_F(TimingFileTest, EveryKeyGoesToItsOffsets) {
    WriteFile("all.tkd",
              "; generator timing\n[tkdgenerator]\nvspp = 1\nVSSP=2\nPicWidth=1920\nPicHeight=1080\nHSSP=3\n"
              "HSIP=4\nHSPP=5\nHSPR=-1\nDESP=70000\nDEIP=12abc\nDEPP=abc\nDEPR=2147483647\n");
    TKBSetting setting = BoardRecord();
    LoadTimingFile(PathOf("all.tkd"), &setting);
    EXPECT_EQ(At(setting, 0x118), (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(At(setting, 0x110), (Bytes{2, 0, 0, 0}));
    EXPECT_EQ(At(setting, 0x114), (Bytes{2, 0, 0, 0}));
    EXPECT_EQ(At(setting, 0x160), (Bytes{0x80, 0x07, 0, 0}));
    EXPECT_EQ(At(setting, 0x164), (Bytes{0x38, 0x04, 0, 0}));
    EXPECT_EQ(At(setting, 0x120), (Bytes{3, 0, 0, 0}));
    EXPECT_EQ(At(setting, 0x124), (Bytes{4, 0, 0, 0}));
    EXPECT_EQ(At(setting, 0x128), (Bytes{5, 0, 0, 0}));
    EXPECT_EQ(At(setting, 0x130), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(At(setting, 0x134), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(At(setting, 0x140), (Bytes{0x70, 0x11, 0x01, 0}));
    EXPECT_EQ(At(setting, 0x144), (Bytes{12, 0, 0, 0}));
    EXPECT_EQ(At(setting, 0x148), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(At(setting, 0x14C), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
}

TEST_F(TimingFileTest, MissingSectionOrFileLoadsZerosAndTheMarker) {
    WriteFile("other.tkd", "[Other]\r\nVSSP=5\r\n");
    for (const char* name : {"other.tkd", "absent.tkd"}) {
        SCOPED_TRACE(name);
        TKBSetting setting = BoardRecord();
        LoadTimingFile(PathOf(name), &setting);
        EXPECT_EQ(setting.TimingArea[0], 0x55);
        for (size_t offset : kKeyOffsets) {
            EXPECT_EQ(At(setting, offset), (Bytes{0, 0, 0, 0})) << std::hex << offset;
        }
    }
    LoadTimingFile(PathOf("other.tkd"), nullptr);
}

}  // namespace
}  // namespace tkbctl::test
