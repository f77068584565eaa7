/* Control ids of the advanced settings dialog, shared by its template and its behaviour. */
#ifndef TKBCTL_ADVANCED_SETTING_IDS_H
#define TKBCTL_ADVANCED_SETTING_IDS_H

#define IDD_ADVANCED_SETTING 145

#define IDC_I2C_FREQUENCY 1111
#define IDC_SW1_FUNCTION 1112
// Display only: its one item "N/A" stands for delay 0, and the list is always disabled.
#define IDC_I2C_DELAY 1113
#define IDC_HDMI_INPUT_RANGE 1114

#endif
