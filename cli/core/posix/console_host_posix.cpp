#include "../console_host.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace tkbctl::cli {

namespace {

std::atomic<bool>* interruptFlag = nullptr;

extern "C" void OnInterrupt(int) {
    interruptFlag->store(true);
    std::signal(SIGINT, OnInterrupt);
}

}  // namespace

bool IsTerminal(StandardStream stream) {
    switch (stream) {
        case StandardStream::kInput:
            return isatty(STDIN_FILENO) != 0;
        case StandardStream::kOutput:
            return isatty(STDOUT_FILENO) != 0;
        case StandardStream::kError:
            return isatty(STDERR_FILENO) != 0;
    }
    return false;
}

// Terminals of this platform take the control sequences of the common terminal standard.
void ClearOutputTerminal() {
    std::fputs("\x1b[H\x1b[2J", stdout);
    std::fflush(stdout);
}

void DeliverInterruptsTo(std::atomic<bool>& interrupted) {
    interruptFlag = &interrupted;
    std::signal(SIGINT, OnInterrupt);
}

}  // namespace tkbctl::cli
