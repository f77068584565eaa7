/* Ids of the progress message window, shared by its template and its behaviour. */
#ifndef TKBCTL_PROGRESS_WINDOW_IDS_H
#define TKBCTL_PROGRESS_WINDOW_IDS_H

#define IDD_PROGRESS_MESSAGE 130
#define IDC_PROGRESS_MESSAGE 1011

#endif
