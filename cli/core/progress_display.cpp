#include "progress_display.h"

#include <cstdio>
#include <string>

namespace tkbctl::cli {

namespace {

constexpr int kBarWidth = 16;
// Redraws closer together than this only flicker; the last one of a phase is always drawn.
constexpr double kRedrawSeconds = 0.1;

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

// Fixed widths, so that a redraw covers the whole of the line before it.
std::string BarRate(uint64_t bytes, double seconds) {
    if (seconds <= 0 || bytes == 0)
        return "   -- MiB/s";
    const double rate = static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
    char text[32];
    std::snprintf(text, sizeof text, "%5.1f MiB/s", rate < 999.9 ? rate : 999.9);
    return text;
}

std::string TimeLeft(uint64_t done, uint64_t total, double seconds) {
    if (done == total)
        return " 0:00 left";
    if (seconds <= 0 || done == 0)
        return "--:-- left";
    const double left = static_cast<double>(total - done) * seconds / static_cast<double>(done);
    const unsigned whole = left < 5999 ? static_cast<unsigned>(left + 0.5) : 5999;
    char text[32];
    std::snprintf(text, sizeof text, "%2u:%02u left", whole / 60, whole % 60);
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

double ProgressDisplay::Elapsed() const {
    return std::chrono::duration<double>(clock_() - started_).count();
}

void ProgressDisplay::Bar(UpdatePhase phase, uint64_t done, uint64_t total, double seconds) {
    const int filled = total == 0 ? kBarWidth : static_cast<int>(done * kBarWidth / total);
    const std::string totalText = std::to_string(total);
    char head[96];
    std::snprintf(head, sizeof head, "\r%-9s [%s%s] %*llu/%s bytes  ", PhaseName(phase),
                  std::string(filled, '#').c_str(), std::string(kBarWidth - filled, '.').c_str(),
                  static_cast<int>(totalText.size()), static_cast<unsigned long long>(done),
                  totalText.c_str());
    out_ << head << BarRate(done, seconds) << "  " << TimeLeft(done, total, seconds) << std::flush;
    drawn_ = clock_();
}

void ProgressDisplay::PhaseStarted(UpdatePhase phase, uint64_t bytes) {
    started_ = clock_();
    open_ = true;
    if (terminal_ && HasBar(phase)) {
        Bar(phase, 0, bytes, 0);
    } else {
        out_ << PhaseName(phase) << ": " << bytes << " bytes" << (terminal_ ? "" : "\n") << std::flush;
    }
}

void ProgressDisplay::PhaseProgress(UpdatePhase phase, uint64_t done, uint64_t bytes) {
    // The end of a phase is drawn when it finishes: the comparison may still fail it.
    if (!terminal_ || !HasBar(phase) || done == 0 || done >= bytes)
        return;
    if (std::chrono::duration<double>(clock_() - drawn_).count() < kRedrawSeconds)
        return;
    Bar(phase, done, bytes, Elapsed());
}

void ProgressDisplay::PhaseFinished(UpdatePhase phase, uint64_t bytes) {
    const double seconds = Elapsed();
    open_ = false;
    if (terminal_ && HasBar(phase)) {
        Bar(phase, bytes, bytes, seconds);
        out_ << "\n" << std::flush;
    } else if (terminal_) {
        out_ << ", done\n" << std::flush;
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
