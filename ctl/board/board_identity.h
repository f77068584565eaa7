// The identity of the board the program works with, set once at start-up by identification from a
// row of the board model table (board_models.h), through which the wrapper, the settings record,
// the dialogs and the status report read what the model means.
#pragma once

#include <string>

namespace tkbctl {

struct BoardIdentity {
    // One of "TKB-20", "TKB-20U", "TKB-20W", "TKB-20-MIPI", "TKB-20U-MIPI", "TKD-20", "TKF-20",
    // "TKR-50U", "TKR-90", "RJQ-10", or "(Unknown Device)" (at most 16 characters).
    std::string modelName = "(Unknown Device)";
    // 0, 1, 2, 3, 4 or 10.
    int boardType = 0;
};

}  // namespace tkbctl
