// Everything tkb uses of the control program's portable core, in one place: the wrapper over the
// library, start-up's identification, the settings record, setting files and the status report.
#pragma once

#include "TKR50API.h"

#include "app/board_identity.h"
#include "app/message_sink.h"
#include "app/setting_file.h"
#include "app/setting_file_runner.h"
#include "app/startup.h"
#include "app/tkr_usb_control.h"
#include "app/usb_version.h"
#include "settings/status_report.h"
#include "settings/tkb_setting.h"
