// A plug-in as the program expects one: ShowDialog with the standard calling convention, taking the
// 16-byte parameter block. It shows nothing; it writes what it was handed to plugin-call.txt in the
// working folder, as "<field 0> <field 3>" in hexadecimal, so that a test can read it.
#include <windows.h>

#include <cstdint>
#include <cstdio>

extern "C" __declspec(dllexport) void __stdcall ShowDialog(const uint32_t* block) {
    FILE* file = std::fopen("plugin-call.txt.tmp", "wb");
    if (!file)
        return;
    std::fprintf(file, "%08X %08X", block[0], block[3]);
    std::fclose(file);
    // Whole or not at all: the test polls for the file.
    MoveFileExA("plugin-call.txt.tmp", "plugin-call.txt", MOVEFILE_REPLACE_EXISTING);
}
