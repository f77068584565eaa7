// Google Benchmark program: each mode's median time per 1920 x 1080 frame against the median time of
// one memcpy of the frame, measured in the same run. Prints the usual benchmark lines, then the table
// of ratios.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "benchmark_frames.h"

namespace qdflip::bench {
namespace {
// Collects the median of every benchmark for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(conversion::KernelPath path) : path_(path) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.aggregate_name == "median") {
                // Seconds to milliseconds; the time is reported in the run's own unit.
                medians_[run.run_name.function_name] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        PrintRatioTable(medians_, "Native, single thread", path_);
    }

private:
    conversion::KernelPath path_;
    std::map<std::string, double> medians_;
};

void Register(FrameBuffers& buffers) {
    const auto configure = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(15)->ReportAggregatesOnly(true);
    };
    for (const bool ring : {false, true}) {
        const std::string suffix = ring ? FrameRingSuffix() : "";
        configure(benchmark::RegisterBenchmark((kMemcpyName + suffix).c_str(),
                                               [&buffers, ring](benchmark::State& state) {
                                                   buffers.UseRing(ring);
                                                   buffers.Prepare(Scenarios().front());
                                                   for (auto _ : state) {
                                                       buffers.Memcpy();
                                                       benchmark::ClobberMemory();
                                                   }
                                               }));
        for (const Scenario& scenario : Scenarios()) {
            configure(benchmark::RegisterBenchmark((scenario.name + suffix).c_str(),
                                                   [&buffers, scenario, ring](benchmark::State& state) {
                                                       buffers.UseRing(ring);
                                                       buffers.Prepare(scenario);
                                                       for (auto _ : state) {
                                                           buffers.Convert();
                                                           benchmark::ClobberMemory();
                                                       }
                                                   }));
        }
    }
    configure(benchmark::RegisterBenchmark(kGainReadsName, [](benchmark::State& state) {
        FilterSettings settings;
        for (auto _ : state) {
            ReadGainsOfOneFrame(settings);
        }
    }));
}
}  // namespace
}  // namespace qdflip::bench

int main(int argc, char** argv) {
    qdflip::conversion::KernelPath path;
    if (!qdflip::bench::KernelPathFromArguments(argc, argv, path)) {
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    qdflip::bench::FrameBuffers buffers(path);
    qdflip::bench::Register(buffers);
    qdflip::bench::RatioReporter reporter(path);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
