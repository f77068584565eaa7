// Every 8-bit colour through the colour conversion of every kernel path, in normal and fast mode,
// against the double formulas.
#include <gtest/gtest.h>

#include <vector>

#include "conversion_test_support.h"
#include "reference_conversion.h"

namespace qdflip::testing {
namespace {
// Builds with sanitizers run every seventh red value; the plain native build runs all of them.
#ifdef QDFLIP_REDUCED_EXHAUSTIVE
constexpr int kRedStep = 7;
#else
constexpr int kRedStep = 1;
#endif

// One frame per red value: two rows, one window per green and blue pair ("R/G/G/B": red at P00, green
// at P01, blue at P11).
class ColourFrame {
public:
    explicit ColourFrame(bool fast) : stride_(fast ? 4 : 2), frame_(stride_ * kWindows + 4, 2) {}

    void Fill(int red) {
        for (int32_t window = 0; window < kWindows; ++window) {
            const int32_t x = stride_ * window;
            frame_.SetSample(x, 0, SampleFor(static_cast<uint8_t>(red), 2));
            frame_.SetSample(x + 1, 0, SampleFor(static_cast<uint8_t>(window >> 8), 2));
            frame_.SetSample(x + 1, 1, SampleFor(static_cast<uint8_t>(window & 0xFF), 2));
        }
    }

    const Frame& frame() const { return frame_; }
    size_t WindowOffset(int32_t window) const { return 2 * size_t(stride_) * size_t(window); }

    static constexpr int32_t kWindows = 65536;

private:
    int32_t stride_;
    Frame frame_;
};

TEST(YuvExhaustiveTest, EveryEightBitColourMatchesTheDoubleFormulas) {
    ColourFrame normal(false);
    ColourFrame fast(true);
    std::vector<reference::Yuv> expected(ColourFrame::kWindows);
    std::vector<uint8_t> work(2 * fast.frame().bytes.size());
    std::vector<uint8_t> output(fast.frame().bytes.size());
    size_t checked = 0;
    size_t mismatches = 0;
    for (int red = 0; red < 256; red += kRedStep) {
        for (int32_t window = 0; window < ColourFrame::kWindows; ++window) {
            expected[size_t(window)] = reference::ToYuv(red, window >> 8, window & 0xFF);
        }
        normal.Fill(red);
        fast.Fill(red);
        for (const ColourFrame* colourFrame : {&normal, &fast}) {
            FilterSettings settings;
            Configure(settings, 2, 3, colourFrame == &fast ? 1 : 0);
            const Frame& frame = colourFrame->frame();
            for (const conversion::KernelPath path : conversion::AvailableKernelPaths()) {
                conversion::ConvertFrameOn(path, settings, frame.width, frame.height, frame.bytes.data(),
                                           frame.bytes.size(), work.data(), work.size(), output.data(),
                                           output.size());
                for (int32_t window = 0; window < ColourFrame::kWindows; ++window) {
                    const uint8_t* macropixel = output.data() + colourFrame->WindowOffset(window);
                    const reference::Yuv& want = expected[size_t(window)];
                    ++checked;
                    if (macropixel[0] != want.u || macropixel[1] != want.y || macropixel[2] != want.v ||
                        macropixel[3] != want.y) {
                        if (++mismatches <= 10) {
                            ADD_FAILURE()
                                << conversion::KernelPathName(path) << (colourFrame == &fast ? " fast" : "")
                                << " R " << red << " G " << (window >> 8) << " B " << (window & 0xFF)
                                << ": got U " << int(macropixel[0]) << " Y " << int(macropixel[1]) << " V "
                                << int(macropixel[2]) << ", want U " << want.u << " Y " << want.y << " V "
                                << want.v;
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0u);
    RecordProperty("colours_checked", std::to_string(checked));
}
}  // namespace
}  // namespace qdflip::testing
