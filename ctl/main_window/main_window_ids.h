/* Control ids of the main window, shared by its template (the .rc file includes this header) and its
 * behaviour. Plain defines, so that the resource compiler reads them too. */
#ifndef TKBCTL_MAIN_WINDOW_IDS_H
#define TKBCTL_MAIN_WINDOW_IDS_H

#define IDD_TKBCTL_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_SLAVE_ADDRESS 1000
#define IDC_WRITE 1001
#define IDC_READ 1002
#define IDC_TKB_RESTART 1003
#define IDC_SETTING_FILE_WRITE 1004
#define IDC_READ_VALUE 1009
#define IDC_SUB_ADDRESS 1010
#define IDC_WRITE_VALUE 1011
#define IDC_READ_COUNTS 1012
#define IDC_WORD_ADDRESS_MODE 1013
#define IDC_TKB_SETTING 1080
#define IDC_TKB_INFO 1081
#define IDC_CAMERA_POWER 1125
#define IDC_F_GATE 1126
#define IDC_CAMERA_RESET 1127
#define IDC_CLEAR 1128
#define IDC_RESTART_CONDITION 1129
#define IDC_TEST 1130

#endif
