/* Ids of the DIP switch chart, shared by its template and its behaviour. Per row: the function text,
 * the text for the switch OFF and the text for the switch ON. */
#ifndef TKBCTL_DIP_SWITCH_IDS_H
#define TKBCTL_DIP_SWITCH_IDS_H

#define IDD_DIP_SWITCH 141

// Row 1.
#define IDC_DIP1_FUNCTION 1120
#define IDC_DIP1_OFF 1121
#define IDC_DIP1_ON 1122
// Row 2.
#define IDC_DIP2_FUNCTION 1108
#define IDC_DIP2_OFF 1109
#define IDC_DIP2_ON 1110
// Row 3: its function text has no id, as nothing changes it.
#define IDC_DIP3_OFF 1125
#define IDC_DIP3_ON 1127
// Row 4.
#define IDC_DIP4_FUNCTION 1091
#define IDC_DIP4_OFF 1092
#define IDC_DIP4_ON 1093
// Row 5.
#define IDC_DIP5_FUNCTION 1095
#define IDC_DIP5_OFF 1098
#define IDC_DIP5_ON 1099
// Row 6.
#define IDC_DIP6_FUNCTION 1096
#define IDC_DIP6_OFF 1100
#define IDC_DIP6_ON 1101
// Row 7, with its number text.
#define IDC_DIP7_NUMBER 1123
#define IDC_DIP7_FUNCTION 1097
#define IDC_DIP7_OFF 1102
#define IDC_DIP7_ON 1103
// Row 8, with its number text.
#define IDC_DIP8_NUMBER 1124
#define IDC_DIP8_FUNCTION 1104
#define IDC_DIP8_OFF 1105
#define IDC_DIP8_ON 1106

// "*Valid only when power supply turns ON".
#define IDC_DIP_POWER_ON_NOTE 1107

#endif
