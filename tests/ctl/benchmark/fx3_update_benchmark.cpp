// Speed figure (not a test): an FX3 update of a 512 KiB image with its verification on a virtual
// board, through the settings dialog's procedure (file dialog answered, question, progress window,
// the file read from disk, write, read-back, compare), beside the library calls it makes alone.
// The two alternate within one run, so the ratio holds whatever else the machine is doing; a plain
// program, so that it runs natively and, built for Windows, under Wine (the file read is then the
// platform's own).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

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

double Milliseconds(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    constexpr int kRounds = 21;
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

    bool failed = false;
    const auto throughTheDialog = [&] {
        view.AnswerNextFileDialog(path.string());
        failed |= !tkbctl::RunUpdateProcedure(view, control, identity, services, tkbctl::FirmwareKind::kFx3);
    };
    // The same transfers as the wrapper makes them: each operation between an open and a close, on
    // the connection the wrapper made.
    std::vector<uint8_t> readBack(kImageSize);
    const auto libraryCallsAlone = [&] {
        TKR50API_Open(2, 0);
        TKR50API_TKBFX3Update(kImageSize, image.data());
        TKR50API_Close(2);
        TKR50API_Open(2, 0);
        TKR50API_TKBFX3BootMemRead(kImageSize, readBack.data());
        TKR50API_Close(2);
        failed |= readBack != image;
    };

    std::vector<double> dialog, library;
    throughTheDialog();  // warm-up: the file in the system's cache, the board file grown
    libraryCallsAlone();
    for (int round = 0; round < kRounds; ++round) {
        dialog.push_back(Milliseconds(throughTheDialog));
        library.push_back(Milliseconds(libraryCallsAlone));
    }
    if (failed) {
        std::fprintf(stderr, "an update failed\n");
        return 1;
    }
    const double dialogMedian = Median(dialog), libraryMedian = Median(library);
    std::printf("FX3 update of %zu KiB with verification, %d rounds, median (min) in ms\n", kImageSize / 1024,
                kRounds);
    std::printf("  through the dialog's procedure  %8.3f (%.3f)\n", dialogMedian,
                *std::min_element(dialog.begin(), dialog.end()));
    std::printf("  library calls alone             %8.3f (%.3f)\n", libraryMedian,
                *std::min_element(library.begin(), library.end()));
    std::printf("  the program's share             %7.1f %%\n",
                100.0 * (dialogMedian - libraryMedian) / dialogMedian);
    return 0;
}
