/* Ids of the clipping dialog and its explanatory picture, shared by its template and its behaviour. */
#ifndef TKBCTL_CLIPPING_SETTING_IDS_H
#define TKBCTL_CLIPPING_SETTING_IDS_H

#define IDD_CLIPPING_SETTING 142
#define IDB_CLIPPING_WINDOW 144

#define IDC_DETECTED_RESOLUTION 1112
#define IDC_CLIP_X0 1113
#define IDC_CLIP_WIDTH 1114
#define IDC_CLIP_Y0 1115
#define IDC_CLIP_HEIGHT 1116
#define IDC_CENTERING 1128
#define IDC_CLIPPING_ENABLE 1131

#endif
