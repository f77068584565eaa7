// The text of the board status report: one refresh's worth of register reads, formatted for the
// engineer. Boards with an HDMI receiver (TKD-20, TKF-20) report the receiver's detected input;
// every other board reports the FPGA's video input status registers.
#pragma once

#include <cstdint>
#include <string>

#include "board/board_identity.h"
#include "board/tkr_usb_control.h"

namespace tkbctl {

// Reads the registers of one refresh through `control` and returns the whole report, each line
// ending in CR LF. A read that fails shows as 0: the wrapper does not report failed FPGA reads.
std::string BuildStatusReport(CTkrUsbControl& control, const BoardIdentity& identity);

}  // namespace tkbctl
