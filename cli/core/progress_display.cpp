#include "progress_display.h"

#include <cstdio>
#include <string>

namespace tkbctl::cli {

namespace {

constexpr int kBarWidth = 30;

std::string Rate(uint64_t bytes, double seconds) {
    if (seconds <= 0)
        return "-- KiB/s";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f KiB/s", static_cast<double>(bytes) / 1024.0 / seconds);
    return text;
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

}  // namespace

const char* ProgressDisplay::PhaseName(UpdatePhase phase) {
    switch (phase) {
        case UpdatePhase::kSavingSettings:
            return "saving settings block";
        case UpdatePhase::kWriting:
            return "writing";
        case UpdatePhase::kVerifying:
            return "verifying";
        case UpdatePhase::kRestoringSettings:
            return "restoring settings block";
    }
    return "";
}

void ProgressDisplay::Bar(UpdatePhase phase, uint64_t done, uint64_t total, double seconds) {
    const int filled = total == 0 ? kBarWidth : static_cast<int>(done * kBarWidth / total);
    char name[28];
    std::snprintf(name, sizeof name, "%-24s", PhaseName(phase));
    const std::string timeLeft = done == total ? "0:00 left" : "--:-- left";
    out_ << '\r' << name << " [" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] "
         << done << "/" << total << " bytes  " << (done == total ? Rate(done, seconds) : Rate(0, 0)) << "  "
         << timeLeft << std::flush;
}

void ProgressDisplay::PhaseStarted(UpdatePhase phase, uint64_t bytes) {
    started_ = clock_();
    open_ = true;
    if (terminal_) {
        Bar(phase, 0, bytes, 0);
    } else {
        out_ << PhaseName(phase) << ": " << bytes << " bytes\n" << std::flush;
    }
}

void ProgressDisplay::PhaseFinished(UpdatePhase phase, uint64_t bytes) {
    const double seconds = std::chrono::duration<double>(clock_() - started_).count();
    open_ = false;
    if (terminal_) {
        Bar(phase, bytes, bytes, seconds);
        out_ << "\n" << std::flush;
    } else {
        out_ << PhaseName(phase) << ": done, " << bytes << " bytes in " << Seconds(seconds) << " ("
             << Rate(bytes, seconds) << ")\n"
             << std::flush;
    }
}

void ProgressDisplay::Abandon() {
    if (open_ && terminal_)
        out_ << "\n" << std::flush;
    open_ = false;
}

}  // namespace tkbctl::cli
