// A plug-in for the loader's test: ShowDialog keeps a copy of the block it was handed, which the
// test reads back through RecordedParameters.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {
uint32_t recorded[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
int calls = 0;
}  // namespace

extern "C" __declspec(dllexport) void WINAPI ShowDialog(void* parameters) {
    std::memcpy(recorded, parameters, sizeof recorded);
    ++calls;
}

extern "C" __declspec(dllexport) int RecordedParameters(uint32_t* out) {
    std::memcpy(out, recorded, sizeof recorded);
    return calls;
}
