#include "dip_switch/dip_sw_dlg.h"

namespace tkbctl {

namespace {

// One row of the chart: its function text and the texts for the switch OFF and ON.
struct DipRow {
    int function;
    int off;
    int on;
};

constexpr DipRow kRow1{IDC_DIP1_FUNCTION, IDC_DIP1_OFF, IDC_DIP1_ON};
constexpr DipRow kRow2{IDC_DIP2_FUNCTION, IDC_DIP2_OFF, IDC_DIP2_ON};
constexpr DipRow kRow4{IDC_DIP4_FUNCTION, IDC_DIP4_OFF, IDC_DIP4_ON};
constexpr DipRow kRow5{IDC_DIP5_FUNCTION, IDC_DIP5_OFF, IDC_DIP5_ON};
constexpr DipRow kRow6{IDC_DIP6_FUNCTION, IDC_DIP6_OFF, IDC_DIP6_ON};
constexpr DipRow kRow7{IDC_DIP7_FUNCTION, IDC_DIP7_OFF, IDC_DIP7_ON};
constexpr DipRow kRow8{IDC_DIP8_FUNCTION, IDC_DIP8_OFF, IDC_DIP8_ON};

void EnableRow(ui::DialogView& view, const DipRow& row, bool enabled) {
    for (const int id : {row.function, row.off, row.on})
        view.Enable(id, enabled);
}

void HideRow(ui::DialogView& view, const DipRow& row) {
    for (const int id : {row.function, row.off, row.on})
        view.Show(id, false);
}

// A switch without a function on the board: its row says so and shows no settings.
void ReserveRow(ui::DialogView& view, const DipRow& row) {
    view.SetText(row.function, "Reserved");
    view.Enable(row.function, false);
    view.Show(row.off, false);
    view.Show(row.on, false);
}

}  // namespace

CDipSWDlg::CDipSWDlg(const BoardIdentity& identity) : DialogImpl(IDD_DIP_SWITCH), identity_(identity) {}

const ui::CommandTable<CDipSWDlg>& CDipSWDlg::Commands() {
    // The close box and Escape keep the default: they end the chart.
    static const ui::CommandTable<CDipSWDlg> table;
    return table;
}

bool CDipSWDlg::OnInitDialog() {
    ui::DialogView& view = View();
    switch (identity_.boardType) {
        case 0:
            for (const DipRow& row : {kRow2, kRow4, kRow5, kRow6, kRow7})
                EnableRow(view, row, true);
            EnableRow(view, kRow8, false);
            view.Show(IDC_DIP_POWER_ON_NOTE, false);
            break;
        case 2:
        case 3:
            for (const DipRow& row : {kRow1, kRow2, kRow4, kRow5, kRow6})
                ReserveRow(view, row);
            HideRow(view, kRow7);
            HideRow(view, kRow8);
            view.Show(IDC_DIP7_NUMBER, false);
            view.Show(IDC_DIP8_NUMBER, false);
            view.Show(IDC_DIP_POWER_ON_NOTE, false);
            break;
        default:
            // Types 1, 4 and 10: the chart as the template draws it.
            break;
    }
    return true;
}

}  // namespace tkbctl
