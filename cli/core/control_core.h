// Everything tkb uses of the control program's portable core, in one place: the wrapper over the
// library, start-up's identification, the settings record, setting files, the status report and
// the firmware update procedure.
#pragma once

#include "TKR50API.h"

#include "board/board_identity.h"
#include "board/tkr_usb_control.h"
#include "ini/ini_handler.h"
#include "messages/message_sink.h"
#include "setting_files/setting_file.h"
#include "setting_files/setting_file_runner.h"
#include "settings/tkb_setting.h"
#include "startup/startup.h"
#include "status/status_report.h"
#include "update/firmware_update.h"
#include "usb/usb_version.h"
