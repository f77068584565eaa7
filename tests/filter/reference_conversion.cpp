#include "reference_conversion.h"

#include <cmath>

namespace qdflip::reference {
namespace {
// The buffers as the reference sees them: every access checked.
struct Buffer {
    uint8_t* data;
    size_t size;

    bool Holds(uint64_t begin, uint64_t end) const { return data != nullptr && end <= size && begin <= end; }
};

int Clamp(double value) {
    const double truncated = std::trunc(value);
    if (truncated > 255) {
        return 255;
    }
    if (truncated < 0) {
        return 0;
    }
    return static_cast<int>(truncated);
}

int Reduce(const Buffer& work, uint64_t offset, int depth) {
    const int hi = work.data[offset];
    const int lo = work.data[offset + 1];
    return depth == 10 ? (hi * 64 + (lo >> 2)) % 256 : (hi * 16 + (lo >> 4)) % 256;
}

void Grey(int depth, int64_t width, int64_t height, const Buffer& work, const Buffer& out) {
    for (int64_t y = 0; y < height; ++y) {
        const uint64_t rowBegin = 2 * static_cast<uint64_t>(y * width);
        const uint64_t rowEnd = rowBegin + 2 * static_cast<uint64_t>(width);
        if (!work.Holds(rowBegin, rowEnd) || !out.Holds(rowBegin, rowEnd)) {
            return;
        }
        for (int64_t x = 0; x < width; ++x) {
            const uint64_t offset = 2 * static_cast<uint64_t>(y * width + x);
            out.data[offset] = 128;
            out.data[offset + 1] = static_cast<uint8_t>(Reduce(work, offset, depth));
        }
    }
}

// Which of P00, P01, P10, P11 (indexes 0..3) are red, green and blue.
struct Cells {
    int r, g, b;
};

Cells CellsOf(int32_t bayerFormat, bool oddRow) {
    static const Cells kEven[4] = {{1, 0, 2}, {2, 0, 1}, {3, 1, 0}, {0, 1, 3}};
    static const Cells kOdd[4] = {{3, 1, 0}, {0, 1, 3}, {1, 0, 2}, {2, 0, 1}};
    const int format = bayerFormat >= 0 && bayerFormat <= 3 ? bayerFormat : 3;
    return oddRow ? kOdd[format] : kEven[format];
}

void Colour(const FilterSettings& settings, int depth, int64_t width, int64_t height, const Buffer& work,
            const Buffer& out) {
    const bool fast = settings.FastMode.load() != 0;
    const int32_t bayerFormat = settings.BayerFormat.load();
    const int64_t rowStep = fast ? 2 : 1;
    const int64_t columnStep = fast ? 4 : 2;
    for (int64_t y = 0; y < height - 1; y += rowStep) {
        const uint64_t row = 2 * static_cast<uint64_t>(y * width);
        const uint64_t rowBytes = 2 * static_cast<uint64_t>(width);
        if (!work.Holds(row, row + 2 * rowBytes) || !out.Holds(row, row + rowBytes)) {
            return;
        }
        for (int64_t x = 0; x < width - 4; x += columnStep) {
            const uint64_t top = row + 2 * static_cast<uint64_t>(x);
            const int p[4] = {Reduce(work, top, depth), Reduce(work, top + 2, depth),
                              Reduce(work, top + rowBytes, depth), Reduce(work, top + rowBytes + 2, depth)};
            const Cells cells = CellsOf(bayerFormat, y % 2 == 1);
            const int64_t r = Gained(p[cells.r], settings.RGain.load());
            const int64_t g = Gained(p[cells.g], settings.GGain.load());
            const int64_t b = Gained(p[cells.b], settings.BGain.load());
            const Yuv yuv = ToYuv(r, g, b);
            const uint8_t macropixel[4] = {static_cast<uint8_t>(yuv.u), static_cast<uint8_t>(yuv.y),
                                           static_cast<uint8_t>(yuv.v), static_cast<uint8_t>(yuv.y)};
            for (int i = 0; i < 4; ++i) {
                out.data[top + i] = macropixel[i];
            }
            if (fast) {
                for (int i = 0; i < 4; ++i) {
                    out.data[top + 4 + i] = out.data[top + i];
                }
                if (out.Holds(row + rowBytes, row + 2 * rowBytes)) {
                    for (int i = 0; i < 8; ++i) {
                        out.data[top + rowBytes + i] = out.data[top + i];
                    }
                }
            }
        }
    }
}
}  // namespace

int64_t Gained(int value, float gain) {
    const double product = static_cast<double>(value) * static_cast<double>(gain);
    if (std::isnan(product)) {
        return 0;
    }
    const double truncated = std::trunc(product);
    if (truncated > 255) {
        return 255;
    }
    if (truncated < -2147483648.0) {
        return -2147483648LL;
    }
    return static_cast<int64_t>(truncated);
}

Yuv ToYuv(int64_t r, int64_t g, int64_t b) {
    const double R = static_cast<double>(r);
    const double G = static_cast<double>(g);
    const double B = static_cast<double>(b);
    Yuv yuv;
    yuv.y = Clamp((0.587 * G + 0.299 * R) + 0.114 * B);
    yuv.u = Clamp(0.5 * B - (0.115 * R + 0.385 * G) + 128);
    yuv.v = Clamp(((0.5 * R - 0.454 * G) - 0.046 * B) + 128);
    return yuv;
}

void ConvertFrame(const FilterSettings& settings, int32_t width, int32_t height, const uint8_t* input,
                  size_t inputLength, uint8_t* work, size_t workSize, uint8_t* output, size_t outputSize) {
    const Buffer in{const_cast<uint8_t*>(input), input == nullptr ? 0 : inputLength};
    const Buffer workBuffer{work, work == nullptr ? 0 : workSize};
    const Buffer out{output, output == nullptr ? 0 : outputSize};
    for (size_t i = 0; i < in.size && i < workBuffer.size; ++i) {
        workBuffer.data[i] = in.data[i];
    }
    switch (settings.FrameFormat.load()) {
        case 1:
            Grey(10, width, height, workBuffer, out);
            break;
        case 2:
            Colour(settings, 10, width, height, workBuffer, out);
            break;
        case 3:
            Grey(12, width, height, workBuffer, out);
            break;
        case 4:
            Colour(settings, 12, width, height, workBuffer, out);
            break;
        default:
            for (size_t i = 0; i < in.size && i < out.size; ++i) {
                out.data[i] = in.data[i];
            }
            break;
    }
}
}  // namespace qdflip::reference
