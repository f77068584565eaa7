// tkb: the boards' operations for scripts, production lines and safe updates.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "core/tkb.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#define TKB_ISATTY _isatty
#define TKB_FILENO _fileno
#else
#include <unistd.h>
#define TKB_ISATTY isatty
#define TKB_FILENO fileno
#endif

namespace {

std::atomic<bool> interrupted{false};

// Ctrl-C only raises the flag: the command under way finishes its transfer and closes the board,
// so no board is left marked open.
extern "C" void OnInterrupt(int) {
    interrupted = true;
    std::signal(SIGINT, OnInterrupt);
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Setting files that tkb prints carry their own CR LF; the C runtime must not add another CR.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::signal(SIGINT, OnInterrupt);
    const std::vector<std::string> args(argv + 1, argv + argc);
    tkbctl::cli::Console console{std::cout, std::cerr, std::cin};
    console.inputIsTerminal = TKB_ISATTY(TKB_FILENO(stdin)) != 0;
    console.outputIsTerminal = TKB_ISATTY(TKB_FILENO(stdout)) != 0;
    console.errorIsTerminal = TKB_ISATTY(TKB_FILENO(stderr)) != 0;
    console.interrupted = [] { return interrupted.load(); };
    return tkbctl::cli::RunTkb(args, console);
}
