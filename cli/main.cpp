// tkb: the boards' operations for scripts, production lines and safe updates.
#include <atomic>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "core/console_host.h"
#include "core/tkb.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Setting files that tkb prints carry their own CR LF; the C runtime must not add another CR.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    using namespace tkbctl::cli;
    static std::atomic<bool> interrupted{false};
    DeliverInterruptsTo(interrupted);
    const std::vector<std::string> args(argv + 1, argv + argc);
    Console console{std::cout, std::cerr, std::cin};
    console.inputIsTerminal = IsTerminal(StandardStream::kInput);
    console.outputIsTerminal = IsTerminal(StandardStream::kOutput);
    console.errorIsTerminal = IsTerminal(StandardStream::kError);
    console.interrupted = [] { return interrupted.load(); };
    console.clearScreen = [] {
        std::fflush(stdout);
        ClearOutputTerminal();
    };
    return RunTkb(args, console);
}
