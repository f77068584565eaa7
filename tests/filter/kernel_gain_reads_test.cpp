// Each kernel path's own gain reader, through a whole colour row: when the gains the row before left
// behind differ from the settings in one gain only, by any bit, the row must notice, convert with the
// settings' gains and keep them for the next row. The settings end where readable memory ends, so a
// reader that loads more than the gains and the padding after them fails the test at once.
#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "conversion/gain_state.h"
#include "conversion/kernel_paths.h"
#include "conversion_test_support.h"
#include "reference_conversion.h"

namespace qdflip::testing {
namespace {
constexpr size_t kWindows = 100;  // several blocks of every kernel, and some windows after them
constexpr int32_t kRowWidth = 2 * kWindows + 4;

conversion::GainBits BitsOf(float r, float g, float b) {
    return {std::bit_cast<uint32_t>(r), std::bit_cast<uint32_t>(g), std::bit_cast<uint32_t>(b)};
}

// A FilterSettings whose last byte is the last readable byte: the page after it cannot be read.
class SettingsAtPageEnd {
public:
    SettingsAtPageEnd() {
#ifdef _WIN32
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        page_ = system.dwPageSize;
        base_ =
            static_cast<char*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        const bool guarded = base_ != nullptr && VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
#else
        page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void* pages = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = pages == MAP_FAILED ? nullptr : static_cast<char*>(pages);
        const bool guarded = base_ != nullptr && mprotect(base_ + page_, page_, PROT_NONE) == 0;
#endif
        if (!guarded) {
            throw std::runtime_error("no guard page for the settings");
        }
        settings_ = new (base_ + page_ - sizeof(FilterSettings)) FilterSettings;
    }
    SettingsAtPageEnd(const SettingsAtPageEnd&) = delete;
    SettingsAtPageEnd& operator=(const SettingsAtPageEnd&) = delete;
    ~SettingsAtPageEnd() {
        settings_->~FilterSettings();
#ifdef _WIN32
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        munmap(base_, 2 * page_);
#endif
    }

    FilterSettings& Settings() {
        return *settings_;
    }

private:
    size_t page_ = 0;
    char* base_ = nullptr;
    FilterSettings* settings_ = nullptr;
};

// Row 0 of a two-row frame, converted by `path` with `carried` as the gains of the row before.
std::vector<uint8_t> ConvertRow(conversion::KernelPath path, const FilterSettings& settings,
                                const Frame& frame, conversion::GainState& gains) {
    std::vector<uint8_t> out(2 * size_t(kRowWidth), 0xA5);
    conversion::ColourRow row;
    row.upper = frame.bytes.data();
    row.lower = frame.bytes.data() + 2 * size_t(kRowWidth);
    row.out = out.data();
    row.windows = kWindows;
    conversion::Kernels(path).Row(false, false, conversion::CellsFor(3, false))(row, settings, gains);
    return out;
}

TEST(KernelGainReadsTest, ARowNoticesAChangeInAnyOneGain) {
    std::mt19937 rng(7);
    Frame frame(kRowWidth, 2);
    frame.bytes = RandomBytes(frame.bytes.size(), rng);
    const float kBase[3] = {1.5f, 0.75f, 1.25f};
    SettingsAtPageEnd guarded;
    FilterSettings& settings = guarded.Settings();
    Configure(settings, 2, 3, 0, kBase[0], kBase[1], kBase[2]);
    std::vector<uint8_t> work(2 * frame.bytes.size());
    std::vector<uint8_t> expected(frame.bytes.size(), 0xA5);
    reference::ConvertFrame(settings, kRowWidth, 2, frame.bytes.data(), frame.bytes.size(), work.data(),
                            work.size(), expected.data(), expected.size());
    expected.resize(2 * size_t(kRowWidth));
    const conversion::GainBits now = BitsOf(kBase[0], kBase[1], kBase[2]);

    // What the row before may have read instead: the same gains, or one gain otherwise.
    std::vector<std::pair<std::string, conversion::GainBits>> befores{{"the same gains", now}};
    const char* const kNames[3] = {"red", "green", "blue"};
    for (int channel = 0; channel < 3; ++channel) {
        const auto with = [&](uint32_t bits) {
            conversion::GainBits other = now;
            (channel == 0 ? other.r : channel == 1 ? other.g : other.b) = bits;
            return other;
        };
        const uint32_t own = channel == 0 ? now.r : channel == 1 ? now.g : now.b;
        const std::string name = kNames[channel];
        befores.emplace_back(name + " twice as large", with(std::bit_cast<uint32_t>(2.0f * kBase[channel])));
        befores.emplace_back(name + " one bit lower", with(own ^ 1u));
        befores.emplace_back(name + " with the top bit set", with(own | 0x80000000u));
    }
    for (const auto& [label, before] : befores) {
        SCOPED_TRACE(label);
        ForEachKernelPath([&](conversion::KernelPath path) {
            conversion::GainState gains;
            gains.Reset(before);
            EXPECT_EQ(ConvertRow(path, settings, frame, gains), expected);
            EXPECT_EQ(gains.bits, now) << "the row keeps the gains it read";
        });
    }
}
}  // namespace
}  // namespace qdflip::testing
