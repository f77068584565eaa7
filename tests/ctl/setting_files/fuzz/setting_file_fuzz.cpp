// Fuzz target for the setting-file parser: any bytes must parse without a crash, a hang or an
// overrun, and the result must keep the parser's promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <variant>

#include "setting_files/setting_file.h"

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// Lines of the file as the parser counts them: CR LF ends a line, the end of the file the last.
int LineCount(const uint8_t* data, std::size_t size) {
    int lines = 1;
    for (std::size_t i = 0; i + 1 < size; ++i) {
        if (data[i] == '\r' && data[i + 1] == '\n') {
            ++lines;
            ++i;
        }
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const tkbctl::SettingFileParse parse = tkbctl::ParseSettingFile({data, size}, 0x3C);
    const int lines = LineCount(data, size);
    if (parse.error) {
        Require(parse.steps.empty());
        const bool empty = parse.error->fault == tkbctl::SettingFileFault::kEmpty;
        Require(empty == (size == 0 || data[0] == 0));
        Require(empty ? parse.error->line == 0 : parse.error->line >= 1 && parse.error->line <= lines);
        Require(!tkbctl::SettingFileErrorText(*parse.error).empty());
        return 0;
    }
    int previousLine = 1;
    for (const tkbctl::SettingFileStep& step : parse.steps) {
        const int line = std::visit([](const auto& s) { return s.line; }, step);
        Require(line >= previousLine && line <= lines);
        previousLine = line;
        if (const auto* write = std::get_if<tkbctl::SettingFileWrite>(&step)) {
            Require(write->data.size() < tkbctl::kSettingFileMaxNumbersPerLine);
        }
    }
    return 0;
}
