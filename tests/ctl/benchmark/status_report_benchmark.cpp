// Speed figure (not a test): one refresh of the board status report on a virtual board, the 15
// bracketed FPGA reads the status window makes once a second.
#include <benchmark/benchmark.h>

#include "board/tkr_usb_control.h"
#include "status/status_report.h"
#include "support/recording_messages.h"
#include "support/virtual_boards.h"

namespace {

void StatusReportRefresh(benchmark::State& state) {
    tkbctl::test::VirtualBoards boards({"TKB-20U"});
    tkbctl::BoardIdentity identity{"TKB-20U", 1};
    tkbctl::test::RecordingMessages messages;
    tkbctl::CTkrUsbControl control(identity, messages);
    for (auto _ : state)
        benchmark::DoNotOptimize(tkbctl::BuildStatusReport(control, identity));
}
BENCHMARK(StatusReportRefresh)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
