// The update procedures behind the settings dialog's "FX3 Update...", "FPGA Update..." and
// "Multi Update..." buttons: choose the image file, confirm, write it through the wrapper with the
// progress window shown, read it back, compare and report, each outcome in one message box.
#pragma once

#include "board/board_identity.h"
#include "board/tkr_usb_control.h"
#include "setting_dialog/setting_dialog_services.h"
#include "ui/dialog_view.h"
#include "update/firmware_update.h"

namespace tkbctl {

// Runs one procedure on the settings dialog's `view`, which owns its file dialog, question,
// progress window and messages. True when the image was written and verified; the board is then
// to be closed and the settings dialog ended. Nothing reaches the board before the user agreed,
// nor when the image cannot fit its flash region or the memory for it cannot be had.
bool RunUpdateProcedure(ui::DialogView& view, CTkrUsbControl& control, const BoardIdentity& identity,
                        SettingDialogServices& services, FirmwareKind kind);

}  // namespace tkbctl
