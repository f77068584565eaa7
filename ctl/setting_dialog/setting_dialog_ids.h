/* Control ids of the board settings dialog, shared by its template (the .rc file includes this
 * header) and its behaviour. Plain defines, so that the resource compiler reads them too. */
#ifndef TKBCTL_SETTING_DIALOG_IDS_H
#define TKBCTL_SETTING_DIALOG_IDS_H

#define IDD_TKB_SETTING 136

// Radio pairs: the first button stores 0, the second 1.
#define IDC_CKIN_54MHZ 1029
#define IDC_CKIN_48MHZ 1030
#define IDC_CKIN_DIVIDE_1_1 1031
#define IDC_CKIN_DIVIDE_1_2 1032
// "Color Space Select": hidden and disabled in the template; no code shows it.
#define IDC_COLOR_SPACE_YUV 1035
#define IDC_COLOR_SPACE_RGB 1036
#define IDC_HDMI_RANGE_LIMITED 1037
#define IDC_HDMI_RANGE_FULL 1038
#define IDC_BT656_OFF 1045
#define IDC_BT656_ON 1046
#define IDC_PIXEL_CLOCK_RISING 1049
#define IDC_PIXEL_CLOCK_FALLING 1050
#define IDC_HSYNC_LOW_ACTIVE 1051
#define IDC_HSYNC_HIGH_ACTIVE 1052
#define IDC_VSYNC_LOW_ACTIVE 1053
#define IDC_VSYNC_HIGH_ACTIVE 1054
#define IDC_DE_INPUT_OFF 1055
#define IDC_DE_INPUT_ON 1056
#define IDC_DE_LOW_ACTIVE 1057
#define IDC_DE_HIGH_ACTIVE 1058

// Drop-down lists.
#define IDC_ENDIAN_MODE 1059
#define IDC_DECIMATION 1060
#define IDC_BIT_SHIFT 1061

#define IDC_SETTING_CANCEL 1077
#define IDC_SETTING_SET 1080
#define IDC_FX3_UPDATE 1083
#define IDC_FPGA_UPDATE 1085
#define IDC_MULTI_UPDATE 1086

// Version value fields.
#define IDC_DLL_VERSION 1088
#define IDC_FX3_VERSION 1089
#define IDC_FPGA_VERSION 1090

// Labels the behaviour retitles or disables by board type.
#define IDC_ENDIAN_MODE_LABEL 1094
#define IDC_CLIPPING_LABEL 1095
#define IDC_DECIMATION_LABEL 1096

// UVC format group.
#define IDC_UVC_COLOR 1111
#define IDC_UVC_FPS 1112
#define IDC_UVC_WIDTH 1113
#define IDC_UVC_HEIGHT 1114
#define IDC_UVC_RESOLUTION_LABEL 1115
#define IDC_UVC_FPS_LABEL 1116
#define IDC_UVC_COLOR_LABEL 1117
#define IDC_UVC_BOARD_ID 1118
#define IDC_UVC_BOARD_ID_LABEL 1119

#define IDC_SHOW_DIP_SW 1128
#define IDC_CLIPPING_DETAIL 1130
#define IDC_CLIPPING_STATE 1132
#define IDC_HDMI_RANGE_LABEL 1133
#define IDC_ADVANCED_SETTING 1134

#endif
