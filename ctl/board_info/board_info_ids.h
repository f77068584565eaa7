/* Ids of the board status report window, shared by its template and its behaviour. */
#ifndef TKBCTL_BOARD_INFO_IDS_H
#define TKBCTL_BOARD_INFO_IDS_H

#define IDD_TKB_INFO 138
#define IDC_TKB_INFO_TEXT 1112
// The report is rebuilt on every tick of this timer.
#define TKB_INFO_TIMER_ID 123
#define TKB_INFO_TIMER_PERIOD_MS 1000

#endif
