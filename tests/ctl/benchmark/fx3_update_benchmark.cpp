// Speed figure (not a test): an FX3 update of a 512 KiB image with its verification on a virtual
// board, through the settings dialog's procedure (file dialog answered, question, progress window,
// the file read from disk, write, read-back, compare), beside the library calls it makes alone.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "TKR50API.h"
#include "progress_window/progress_window_ids.h"
#include "setting_dialog/update_procedure.h"
#include "support/recording_messages.h"
#include "support/virtual_boards.h"
#include "ui/memory_view.h"

namespace {

constexpr size_t kImageSize = 512 * 1024;

// The settings dialog's place as the owner of the procedure's windows.
class Owner : public ui::DialogImpl<Owner> {
public:
    Owner() : DialogImpl(136) {}
    static const ui::CommandTable<Owner>& Commands() {
        static const ui::CommandTable<Owner> table;
        return table;
    }
};

std::vector<uint8_t> Image() {
    std::vector<uint8_t> image(kImageSize);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 31 + (i >> 9));
    return image;
}

void Fx3UpdateThroughTheDialog(benchmark::State& state) {
    tkbctl::test::VirtualBoards boards({"TKB-20"});
    const std::filesystem::path path = boards.Path() / "fx3.img";
    const std::vector<uint8_t> image = Image();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
    tkbctl::BoardIdentity identity{"TKB-20", 0};
    tkbctl::test::RecordingMessages messages;
    tkbctl::CTkrUsbControl control(identity, messages);
    tkbctl::PlatformSettingDialogServices services;
    Owner owner;
    ui::MemoryView view(owner, {});
    view.DescribeChild(IDD_PROGRESS_MESSAGE, {{IDC_PROGRESS_MESSAGE, ui::ControlKind::Static}});
    view.Open();
    for (auto _ : state) {
        view.AnswerNextFileDialog(path.string());
        if (!tkbctl::RunUpdateProcedure(view, control, identity, services, tkbctl::FirmwareKind::kFx3))
            state.SkipWithError("the update failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kImageSize));
}
BENCHMARK(Fx3UpdateThroughTheDialog)->Unit(benchmark::kMillisecond);

// The same transfers as the wrapper makes them: each operation between an open and a close.
void Fx3UpdateLibraryCallsAlone(benchmark::State& state) {
    tkbctl::test::VirtualBoards boards({"TKB-20"});
    TKR50API_Init();
    const std::vector<uint8_t> image = Image();
    std::vector<uint8_t> readBack(kImageSize);
    for (auto _ : state) {
        TKR50API_Open(2, 0);
        TKR50API_TKBFX3Update(kImageSize, image.data());
        TKR50API_Close(2);
        TKR50API_Open(2, 0);
        TKR50API_TKBFX3BootMemRead(kImageSize, readBack.data());
        TKR50API_Close(2);
        benchmark::DoNotOptimize(readBack.data());
    }
    TKR50API_End();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kImageSize));
}
BENCHMARK(Fx3UpdateLibraryCallsAlone)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
