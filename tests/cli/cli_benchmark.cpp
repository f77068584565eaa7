// Speed figure (not a test): what "tkb update fpga" of a 512 KiB image with verification costs
// beyond the library calls it makes, on a virtual board, as a ratio measured in one run.
//
//   library  the update's own library calls: the FPGA image write and its read-back
//   startup  the board's identification as every board command does it (includes start-up's
//            100 ms pause before identification)
//   tkb      the whole command: file, identification, question-free update, compare, messages
//
// The tool's own work is tkb - library - startup.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>

#include "core/board_session.h"
#include "tkb_test_support.h"

namespace {

using namespace tkbctl;
using namespace tkbctl::cli;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 15;
constexpr size_t kImageSize = 512 * 1024;

class NoMessages final : public MessageSink {
public:
    void ShowMessage(int) override {}
    void ShowText(const std::string&, const std::string&) override {}
};

// The least of the rounds: what the work costs without what other programs of the machine added.
double Least(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

struct Cost {
    double wall = 0;  // milliseconds
    double cpu = 0;   // milliseconds of this process's processor time
};

template <typename Work>
Cost Measure(Work work) {
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    work();
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
            1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC};
}

Cost Least(const std::vector<Cost>& costs) {
    std::vector<double> wall, cpu;
    for (const Cost& cost : costs) {
        wall.push_back(cost.wall);
        cpu.push_back(cost.cpu);
    }
    return {Least(wall), Least(cpu)};
}

}  // namespace

int main() {
    test::VirtualBoards boards({"TKB-20"}, "tkb-bench");
    const tkbsim::test::Bytes image = tkbsim::test::Pattern(kImageSize, 1);
    const std::filesystem::path file = boards.path() / "fpga.bin";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());

    NoMessages messages;
    std::vector<Cost> library, startup, tool;
    for (int round = 0; round < kRounds; ++round) {
        {
            BoardIdentity identity{"TKB-20", 0};
            CTkrUsbControl control(identity, messages);
            std::vector<uint8_t> readBack(kImageSize);
            library.push_back(Measure([&] {
                control.UpdateFPGA(kImageSize, image.data());
                control.ReadBackFPGA(kImageSize, readBack.data());
            }));
        }
        {
            BoardSession session(0, messages);
            std::string error;
            startup.push_back(Measure([&] { session.Identify(error); }));
        }
        int status = -1;
        tool.push_back(Measure([&] {
            status = test::Tkb({"update", "fpga", file.string(), "--yes"}).status;
        }));
        if (status != kExitDone) {
            std::cerr << "tkb update failed\n";
            return 1;
        }
    }
    const Cost lib = Least(library), start = Least(startup), whole = Least(tool);
    std::printf("tkb update fpga, %zu bytes, verified; least of %d rounds (wall, processor)\n", kImageSize,
                kRounds);
    std::printf("  library calls (write + read-back)   %8.2f ms %8.2f ms\n", lib.wall, lib.cpu);
    std::printf("  identification (with 100 ms pause)  %8.2f ms %8.2f ms\n", start.wall, start.cpu);
    std::printf("  whole command                       %8.2f ms %8.2f ms\n", whole.wall, whole.cpu);
    const double ownWall = whole.wall - lib.wall - start.wall, ownCpu = whole.cpu - lib.cpu - start.cpu;
    std::printf("  tool's own work                     %8.2f ms %8.2f ms = %.3f, %.3f of the library calls\n",
                ownWall, ownCpu, ownWall / lib.wall, ownCpu / lib.cpu);
    return 0;
}
