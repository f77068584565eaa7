// The options window changes the settings while the streaming thread converts frames. Every frame
// must still be one the settings could have produced: one mode per frame, one alignment and speed
// per colour frame, and per window one of the gain values the other thread wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "conversion_test_support.h"
#include "reference_conversion.h"

namespace qdflip::testing {
namespace {
constexpr int32_t kWidth = 262;
constexpr int32_t kHeight = 10;
constexpr std::array<float, 2> kRGains{1.0f, 2.0f};
constexpr std::array<float, 2> kGGains{1.0f, 0.5f};
constexpr std::array<float, 2> kBGains{1.0f, -1.0f};  // a negative gain switches kernels mid-row
constexpr uint8_t kPrefill = 0xA5;

// The frames a colour conversion gives with fixed settings: [fast][alignment 0 or 3][gain choice].
using References = std::array<std::array<std::array<std::vector<uint8_t>, 8>, 2>, 2>;

References MakeReferences(const Frame& frame) {
    References references;
    for (int fast = 0; fast < 2; ++fast) {
        for (int alignment = 0; alignment < 2; ++alignment) {
            for (int choice = 0; choice < 8; ++choice) {
                FilterSettings settings;
                Configure(settings, 2, alignment * 3, fast, kRGains[choice & 1], kGGains[(choice >> 1) & 1],
                          kBGains[choice >> 2]);
                std::vector<uint8_t> work(2 * frame.bytes.size());
                auto& output = references[fast][alignment][choice];
                output.assign(frame.bytes.size(), kPrefill);
                reference::ConvertFrame(settings, frame.width, frame.height, frame.bytes.data(),
                                        frame.bytes.size(), work.data(), work.size(), output.data(),
                                        output.size());
            }
        }
    }
    return references;
}

// Whether the `length` bytes at `offset` of `output` equal those of `reference`, and in fast mode
// (`below`) those of the next row as well.
bool SameBlock(const std::vector<uint8_t>& output, const std::vector<uint8_t>& reference, size_t offset,
               size_t length, bool below) {
    const auto same = [&](size_t at) {
        return std::equal(output.begin() + at, output.begin() + at + length, reference.begin() + at);
    };
    return same(offset) && (!below || same(offset + 2 * kWidth));
}

// Whether `output` is a colour frame of one speed and alignment whose every window took one of the
// gain choices (the bytes outside the windows equal the prefill in every reference).
bool IsColourFrame(const std::vector<uint8_t>& output, const References& references) {
    constexpr size_t kRowBytes = 2 * kWidth;
    for (int fast = 0; fast < 2; ++fast) {
        for (int alignment = 0; alignment < 2; ++alignment) {
            const auto& choices = references[fast][alignment];
            const size_t blockBytes = fast ? 8 : 4;
            bool all = true;
            // Fast mode writes row pairs: the odd row of a pair must take the even row's choice.
            for (size_t row = 0; all && row < size_t(kHeight); row += fast ? 2 : 1) {
                const bool below = fast && row + 1 < size_t(kHeight);
                for (size_t x = 0; all && x < kRowBytes; x += blockBytes) {
                    const size_t length = std::min(blockBytes, kRowBytes - x);
                    all =
                        std::any_of(choices.begin(), choices.end(), [&](const std::vector<uint8_t>& choice) {
                            return SameBlock(output, choice, row * kRowBytes + x, length, below);
                        });
                }
            }
            if (all) {
                return true;
            }
        }
    }
    return false;
}

TEST(SettingsThreadTest, FramesStayConsistentWhileAnotherThreadChangesTheSettings) {
    std::mt19937 rng(5);
    Frame frame(kWidth, kHeight);
    frame.bytes = RandomBytes(frame.bytes.size(), rng);
    const References references = MakeReferences(frame);

    FilterSettings settings;
    Configure(settings, 2, 0, 0);
    std::atomic<bool> stop{false};
    std::atomic<int> changes{0};
    std::thread optionsWindow([&] {
        std::mt19937 writerRng(6);
        while (!stop.load()) {
            switch (std::uniform_int_distribution<int>(0, 5)(writerRng)) {
                case 0:
                    settings.FrameFormat = std::uniform_int_distribution<int>(0, 3)(writerRng) == 0 ? 0 : 2;
                    break;
                case 1:
                    settings.BayerFormat = std::uniform_int_distribution<int>(0, 1)(writerRng) * 3;
                    break;
                case 2:
                    settings.FastMode = std::uniform_int_distribution<int>(0, 1)(writerRng);
                    break;
                case 3:
                    settings.RGain = kRGains[std::uniform_int_distribution<size_t>(0, 1)(writerRng)];
                    break;
                case 4:
                    settings.GGain = kGGains[std::uniform_int_distribution<size_t>(0, 1)(writerRng)];
                    break;
                default:
                    settings.BGain = kBGains[std::uniform_int_distribution<size_t>(0, 1)(writerRng)];
                    break;
            }
            changes.fetch_add(1);
            std::this_thread::yield();
        }
    });

    int thruFrames = 0;
    int colourFrames = 0;
    std::vector<uint8_t> work(2 * frame.bytes.size());
    std::vector<uint8_t> output(frame.bytes.size());
    // Convert until the other thread has made plenty of changes, however the two threads get scheduled.
    for (int i = 0; i < 1000000 && (i < 200 || changes.load() < 3000); ++i) {
        std::fill(output.begin(), output.end(), kPrefill);
        ConvertFrame(settings, kWidth, kHeight, frame.bytes.data(), frame.bytes.size(), work.data(),
                     work.size(), output.data(), output.size());
        if (output == frame.bytes) {
            ++thruFrames;
        } else if (IsColourFrame(output, references)) {
            ++colourFrames;
        } else {
            ADD_FAILURE() << "frame " << i << " matches no settings the other thread could have made";
            break;
        }
        std::this_thread::yield();
    }
    stop = true;
    optionsWindow.join();
    EXPECT_GT(thruFrames, 0);
    EXPECT_GT(colourFrames, 0);
    EXPECT_GE(changes.load(), 3000);
}
}  // namespace
}  // namespace qdflip::testing
