// What tkb learns from the system about the console it runs in: which standard streams a person
// reads or types at, and the interrupt (Ctrl-C) that asks a watching command to stop.
#pragma once

#include <atomic>

namespace tkbctl::cli {

enum class StandardStream { kInput, kOutput, kError };

// Whether the stream is a terminal (on Windows: a console). Pipes, files and the null device are
// not, so that a script's input or log never gets a question or a bar.
bool IsTerminal(StandardStream stream);

// From now on an interrupt only raises `interrupted`, from whatever thread the system delivers it
// on; the command under way then finishes its transfer and closes the board, so no board is left
// marked open. Called once, before any command runs.
void DeliverInterruptsTo(std::atomic<bool>& interrupted);

// Empties the terminal of standard output and puts its cursor top left.
void ClearOutputTerminal();

}  // namespace tkbctl::cli
