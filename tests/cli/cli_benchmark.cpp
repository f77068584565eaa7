// Speed figure (not a test): what "tkb update fpga" of a 512 KiB image with verification costs
// beyond the library calls it makes, on a virtual board, as a ratio measured in one run.
//
//   library  the update's own library calls: the FPGA image write and its read-back
//   startup  the board's identification as every board command does it (includes start-up's
//            100 ms pause before identification)
//   tkb      the whole command: file, identification, question-free update, compare, messages,
//            with its progress as plain lines (a pipe) and as a bar (a terminal)
//   driver   within each of those, the time spent inside the driver's requests (the virtual
//            board's work), measured in the same run by a driver that times the one below it
//
// Two views of the tool's own work: tkb - library - startup (what the command adds to the
// update's calls and to identification), and tkb - driver - pause, the whole command less every
// request any library call made and less start-up's deliberate pause (this one also counts the
// library's own copying and framing, so it is an upper bound).
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

// Times every request to the driver below it: the part of a library call that is the board's.
class TimingDriver final : public tkr::Driver {
public:
    explicit TimingDriver(std::shared_ptr<tkr::Driver> inner) : inner_(std::move(inner)) {}
    uint32_t Enumerate(std::vector<std::string>& paths) override {
        return Timed([&] { return inner_->Enumerate(paths); });
    }
    uint32_t Open(const std::string& path, tkr::DeviceHandle& handle) override {
        return Timed([&] { return inner_->Open(path, handle); });
    }
    void Close(tkr::DeviceHandle handle) override {
        Timed([&] {
            inner_->Close(handle);
            return 0u;
        });
    }
    uint32_t Control(tkr::DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize, uint32_t& returned) override {
        return Timed(
            [&] { return inner_->Control(handle, code, input, inputSize, output, outputSize, returned); });
    }
    // Milliseconds spent below since the last call.
    double Take() {
        const double spent = spent_;
        spent_ = 0;
        return spent;
    }

private:
    template <typename Call>
    uint32_t Timed(Call call) {
        const auto start = Clock::now();
        const uint32_t result = call();
        spent_ += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        return result;
    }
    std::shared_ptr<tkr::Driver> inner_;
    double spent_ = 0;
};

struct Cost {
    double wall = 0;  // milliseconds
    double cpu = 0;   // milliseconds of this process's processor time
    double driver = 0;
};

TimingDriver* timing = nullptr;

template <typename Work>
Cost Measure(Work work) {
    timing->Take();
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    work();
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
            1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC, timing->Take()};
}

// The round of least wall time, whole (what the work costs without what other programs of the
// machine added): its parts belong together.
Cost Least(const std::vector<Cost>& costs) {
    return *std::min_element(costs.begin(), costs.end(),
                             [](const Cost& a, const Cost& b) { return a.wall < b.wall; });
}

}  // namespace

int main() {
    test::VirtualBoards boards({"TKB-20"}, "tkb-bench");
    const tkbsim::test::Bytes image = tkbsim::test::Pattern(kImageSize, 1);
    const std::filesystem::path file = boards.path() / "fpga.bin";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
    auto timingDriver =
        std::make_shared<TimingDriver>(std::make_shared<tkbsim::VirtualDriver>(boards.path().string()));
    timing = timingDriver.get();
    tkr::SetDriver(timingDriver);

    NoMessages messages;
    std::vector<Cost> library, startup, tool, toolBar;
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
        int barStatus = -1;
        test::TkbOptions onTerminal;
        onTerminal.errorIsTerminal = true;
        toolBar.push_back(Measure([&] {
            barStatus = test::Tkb({"update", "fpga", file.string(), "--yes"}, onTerminal).status;
        }));
        if (status != kExitDone || barStatus != kExitDone) {
            std::cerr << "tkb update failed\n";
            return 1;
        }
    }
    const Cost lib = Least(library), start = Least(startup);
    constexpr double kPause = 100.0;
    std::printf(
        "tkb update fpga, %zu bytes, verified; round of least wall time of %d (wall, processor, "
        "inside driver requests)\n",
        kImageSize, kRounds);
    auto row = [](const char* name, const Cost& cost) {
        std::printf("  %-36s %8.2f ms %8.2f ms %8.2f ms\n", name, cost.wall, cost.cpu, cost.driver);
    };
    row("library calls (write + read-back)", lib);
    row("identification (with 100 ms pause)", start);
    for (const auto& [name, costs] :
         {std::pair{"whole command, plain lines", &tool}, std::pair{"whole command, bar", &toolBar}}) {
        const Cost whole = Least(*costs);
        row(name, whole);
        const double ownWall = whole.wall - lib.wall - start.wall, ownCpu = whole.cpu - lib.cpu - start.cpu;
        std::printf(
            "    tool's own beyond update calls and identification: %.2f ms wall, %.2f ms processor"
            " = %.3f, %.3f of the library calls\n",
            ownWall, ownCpu, ownWall / lib.wall, ownCpu / lib.cpu);
        const double beyondRequests = whole.wall - whole.driver - kPause;
        std::printf("    beyond every driver request and the pause: %.2f ms = %.3f of the time in requests\n",
                    beyondRequests, beyondRequests / whole.driver);
    }
    tkr::SetDriver(nullptr);
    return 0;
}
