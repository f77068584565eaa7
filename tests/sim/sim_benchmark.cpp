// Speed of the virtual boards through the simulated-boards library: one-byte I2C write exchanges
// per second, and the time to program and read back a 512 KiB image. Prints its figures; it checks
// nothing but that the image came back.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "TKR50API.h"
#include "sim_test_support.h"

using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

int main() {
    using namespace tkbsim::test;
    TempFolder folder("bench");
    tkbsim::BoardFolder(folder.Str()).Create({tkbsim::NewBoard{tkbsim::FindModel("TKB-20U")}});
    SetEnvironment("TKBSIM_DIR", folder.Str());
    if (!TKR50API_Init() || TKR50API_Open(2, 0) != TKRUSB20_RET_SUCCESS) {
        std::fprintf(stderr, "cannot open the virtual board\n");
        return 1;
    }

    const uint8_t byte = 0x5A;
    uint64_t exchanges = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(2)) {
        for (int i = 0; i < 1000; ++i) {
            TKR50API_I2CBlockWrite(0x3C, 0x10, 1, &byte, 0);
        }
        exchanges += 1000;
    }
    std::printf("one-byte I2C writes: %.0f exchanges per second\n",
                exchanges / Seconds(Clock::now() - start));

    const Bytes image = Pattern(512 * 1024, 1);
    Bytes back(image.size());
    std::vector<double> writes;
    std::vector<double> reads;
    for (int round = 0; round < 7; ++round) {
        const auto t0 = Clock::now();
        TKR50API_TKBSPIBootMemUpdate(0x100000, static_cast<uint32_t>(image.size()), image.data());
        const auto t1 = Clock::now();
        TKR50API_TKBSPIBootMemRead(0x100000, static_cast<uint32_t>(back.size()), back.data());
        const auto t2 = Clock::now();
        writes.push_back(Seconds(t1 - t0) * 1000);
        reads.push_back(Seconds(t2 - t1) * 1000);
        if (back != image) {
            std::fprintf(stderr, "the image did not come back\n");
            return 1;
        }
    }
    std::sort(writes.begin(), writes.end());
    std::sort(reads.begin(), reads.end());
    std::printf("512 KiB image (median of 7): write %.2f ms, read back %.2f ms\n", writes[3], reads[3]);
    TKR50API_Close(2);
    TKR50API_End();
    return 0;
}
