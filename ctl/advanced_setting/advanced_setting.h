// CAdvancedSetting: the less common register bytes of the settings record (I2C bus frequency, the
// SW1 function, the HDMI input range). The record changes only when the dialog closes with OK.
#pragma once

#include "advanced_setting/advanced_setting_ids.h"
#include "board/board_identity.h"
#include "settings/tkb_setting.h"
#include "ui/dialog.h"

namespace tkbctl {

class CAdvancedSetting : public ui::DialogImpl<CAdvancedSetting> {
public:
    // `identity` must outlive the dialog's run.
    explicit CAdvancedSetting(const BoardIdentity& identity);

    static const ui::CommandTable<CAdvancedSetting>& Commands();

    // The record shown and, on OK, changed; null shows the lists' first items and changes nothing.
    void SetRecord(TKBSetting* record) { record_ = record; }

protected:
    bool OnInitDialog() override;

private:
    void OnOk();

    const BoardIdentity& identity_;
    TKBSetting* record_ = nullptr;
};

}  // namespace tkbctl
