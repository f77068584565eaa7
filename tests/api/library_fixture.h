// A library connected to a RecordingDriver: Init, and optionally a successful Open, before each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TKR50API.h"
#include "frame/hooks.h"
#include "recording_driver.h"

namespace tkr::test {

inline std::vector<uint32_t> sleeps;
inline void RecordSleep(uint32_t milliseconds) {
    sleeps.push_back(milliseconds);
}

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        driver = std::make_shared<RecordingDriver>();
        tkr::SetDriver(driver);
        sleeps.clear();
        tkr::SetSleepFunction(&RecordSleep);
        ASSERT_NE(TKR50API_Init(), nullptr);
    }
    void TearDown() override {
        TKR50API_Close(2);
        TKR50API_End();
        tkr::SetDriver(nullptr);
        tkr::SetSleepFunction(nullptr);
    }
    // Opens board 0 and forgets the requests Open made.
    void OpenBoard() {
        ASSERT_EQ(TKR50API_Open(2, 0), TKRUSB20_RET_SUCCESS);
        driver->calls.clear();
    }

    std::shared_ptr<RecordingDriver> driver;
};

inline std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (int v : values)
        bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

}  // namespace tkr::test
