// One run of tkb: the command line in, text out, an exit status back.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace tkbctl::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;     // the board or an operation failed, or was refused
inline constexpr int kExitMalformed = 2;  // the command line is wrong; nothing was sent

// Where a run reads and writes. Results go to `out`, messages, questions and progress to `err`.
struct Console {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool inputIsTerminal = false;
    bool outputIsTerminal = false;
    bool errorIsTerminal = false;
    // True once the user asked to stop (Ctrl-C); long-running commands look at it.
    std::function<bool()> interrupted = [] { return false; };
    // Empties the terminal of `out` and puts its cursor top left, for a refresh in place; only
    // called when `outputIsTerminal`.
    std::function<void()> clearScreen = [] {};
};

// Runs the command of `args` (the arguments after the program name).
int RunTkb(const std::vector<std::string>& args, Console& console);

}  // namespace tkbctl::cli
