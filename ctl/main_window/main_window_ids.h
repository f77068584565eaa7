/* Control ids of the main window, shared by its template (the .rc file includes this header) and its
 * behaviour. Plain defines, so that the resource compiler reads them too. */
#ifndef TKBCTL_MAIN_WINDOW_IDS_H
#define TKBCTL_MAIN_WINDOW_IDS_H

#define IDC_WRITE 1001
#define IDC_READ 1002
#define IDC_TKB_RESTART 1003
#define IDC_SETTING_FILE_WRITE 1004
#define IDC_TKB_SETTING 1080
#define IDC_TKB_INFO 1081
#define IDC_CAMERA_POWER 1125

#endif
