#include "factory_settings.h"
#include "tkr/byte_order.h"

#include <algorithm>

namespace tkbsim {
namespace {}  // namespace

std::array<uint8_t, kSettingsBlockSize> FactorySettingsBlock(const ModelInfo& model) {
    std::array<uint8_t, kSettingsBlockSize> block{};
    // Register table: (id, value) pairs in their fixed order, with the default values.
    constexpr uint8_t kRegisterTable[32] = {0x10, 0,    0x11, 0,    0x13, 0,    0x18, 0,    0x19, 0,    0x1A,
                                            0,    0x1B, 0,    0x1C, 0,    0x1E, 0,    0x1F, 3,    0x20, 0,
                                            0x21, 0,    0x22, 0,    0x23, 0,    0x24, 6,    0x25, 20};
    std::copy(std::begin(kRegisterTable), std::end(kRegisterTable), block.begin());

    uint8_t* uvc = block.data() + 0x80;
    uvc[0] = 0x55;
    uvc[1] = 0x55;
    tkr::WriteLe16(uvc + 0x04, 1920);
    tkr::WriteLe16(uvc + 0x06, 1080);
    tkr::WriteLe16(uvc + 0x08, 30);
    tkr::WriteLe16(uvc + 0x0A, 0);
    tkr::WriteLe16(uvc + 0x0E, 0);
    constexpr uint8_t kUyvyGuid[16] = {0x55, 0x59, 0x56, 0x59, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    std::copy(std::begin(kUyvyGuid), std::end(kUyvyGuid), uvc + 0x10);
    uint16_t sum = 0;
    for (int offset = 0x84; offset < 0xA0; ++offset) {
        sum = static_cast<uint16_t>(sum + block[offset]);
    }
    tkr::WriteLe16(uvc + 0x02, static_cast<uint16_t>(~sum));

    uint8_t* clipping = block.data() + 0xA0;
    clipping[0] = 0x11;
    clipping[1] = 0x11;
    tkr::WriteLe16(clipping + 0x06, 8191);
    tkr::WriteLe16(clipping + 0x08, 8191);

    if (model.id != ModelId::TKD20) {
        std::fill(block.begin() + 256, block.end(), 0xFF);
    }
    return block;
}

}  // namespace tkbsim
