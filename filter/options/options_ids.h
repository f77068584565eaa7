// Template and control ids of the options window, shared by its template and its code.
#pragma once

#define IDD_FILTER_OPTION 2000
#define IDC_FRAME_FORMAT 2000
#define IDC_FAST_MODE 2001
#define IDC_RGAIN 2002
#define IDC_GGAIN 2003
#define IDC_BGAIN 2004
#define IDC_BAYER_FORMAT 2005
