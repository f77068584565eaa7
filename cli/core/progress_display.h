// Progress of a firmware update as tkb shows it. On a terminal the image's write and verification
// get a bar redrawn in place as the library reports its transfers, with bytes, rate and time left,
// kept shorter than 80 columns so that it never wraps; the settings block, one small transfer, gets
// one line. Elsewhere (a pipe, a log file) one plain line when a phase starts and one when it ends,
// so logs stay readable.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>

#include "control_core.h"

namespace tkbctl::cli {

class ProgressDisplay final : public UpdateObserver {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    ProgressDisplay(std::ostream& out, bool terminal, Clock clock = std::chrono::steady_clock::now)
        : out_(out), terminal_(terminal), clock_(std::move(clock)) {}

    void PhaseStarted(UpdatePhase phase, uint64_t bytes) override;
    void PhaseProgress(UpdatePhase phase, uint64_t done, uint64_t bytes) override;
    void PhaseFinished(UpdatePhase phase, uint64_t bytes) override;
    // A phase that started and did not finish ends its bar's line, so the error after it stands
    // on a line of its own.
    void Abandon();

    static const char* PhaseName(UpdatePhase phase);

private:
    static bool HasBar(UpdatePhase phase) {
        return phase == UpdatePhase::kWriting || phase == UpdatePhase::kVerifying;
    }
    void Bar(UpdatePhase phase, uint64_t done, uint64_t total, double seconds);
    double Elapsed() const;

    std::ostream& out_;
    bool terminal_;
    Clock clock_;
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point drawn_{};
    bool open_ = false;
};

}  // namespace tkbctl::cli
