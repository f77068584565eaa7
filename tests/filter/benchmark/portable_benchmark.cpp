// The same measurement as the Google Benchmark program, for builds that have no Google Benchmark
// (MinGW): every case runs in rounds of timed frames; each round gives the mean time of its frames,
// and the table uses the median round, as the other program does.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "benchmark_frames.h"

int main(int argc, char** argv) {
    using namespace qdflip::bench;
    qdflip::conversion::KernelPath path;
    if (!KernelPathFromArguments(argc, argv, path)) {
        return 2;
    }
    FrameBuffers buffers(path);
    std::map<std::string, double> medians;
    for (const bool ring : {false, true}) {
        const std::string suffix = ring ? FrameRingSuffix() : "";
        buffers.UseRing(ring);
        buffers.Prepare(Scenarios().front());
        medians[kMemcpyName + suffix] = MedianMilliseconds([&] { buffers.Memcpy(); });
        for (const Scenario& scenario : Scenarios()) {
            buffers.Prepare(scenario);
            medians[scenario.name + suffix] = MedianMilliseconds([&] { buffers.Convert(); });
        }
    }
    buffers.UseRing(false);
    qdflip::FilterSettings settings;
    medians[kGainReadsName] = MedianMilliseconds([&] { ReadGainsOfOneFrame(settings); });
    PrintRatioTable(medians,
                    sizeof(void*) == 4 ? "32-bit build, single thread" : "64-bit build, single thread", path);
    return 0;
}
