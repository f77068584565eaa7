// The settings block a board leaves the factory with.
#pragma once

#include <array>
#include <cstdint>

#include "tkbsim/models.h"

namespace tkbsim {

inline constexpr uint32_t kSettingsBlockSize = 512;

// The default register table, a valid UVC part (1920 x 1080, 30 frames per second, UYVY, no board
// ID) with its checksum, and clipping disabled over the largest window. Only the TKD-20 keeps a
// timing area (empty); on the other models bytes 256-511 are left erased, as the control program
// never writes them there.
std::array<uint8_t, kSettingsBlockSize> FactorySettingsBlock(const ModelInfo& model);

}  // namespace tkbsim
