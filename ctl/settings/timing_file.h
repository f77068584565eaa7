// Timing setting files (".tkd"): the sync and picture timing of the timing-generator board, read
// into the timing area of the settings record. The values reach the board with the next save.
#pragma once

#include <string>

#include "board/board_identity.h"
#include "settings/tkb_setting.h"

namespace tkbctl {

// The timing marker (TimingArea byte 0) of an area a timing file was loaded into.
constexpr uint8_t kTimingAreaValid = 0x55;

// Whether the board is the timing generator, whose settings block carries a timing area: the model
// the board model table gives the whole block to write.
bool HasTimingArea(const BoardIdentity& identity);

// Reads the file's section "TKDGenerator" into `setting`'s timing area and marks the area valid.
// Every key is a decimal integer stored as 32 bits little-endian; a missing key, a missing section
// or an unreadable file gives 0. Other bytes of the timing area are kept. A null `setting` does
// nothing.
void LoadTimingFile(const std::string& path, TKBSetting* setting);

}  // namespace tkbctl
