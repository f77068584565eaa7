/* Ids of the board selection dialog, shared by its template and its behaviour. */
#ifndef TKBCTL_SELECT_BOARD_IDS_H
#define TKBCTL_SELECT_BOARD_IDS_H

#define IDD_SELECT_BOARD 140
#define IDC_BOARD_LIST 1111

#endif
