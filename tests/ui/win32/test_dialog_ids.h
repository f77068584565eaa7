// Ids of the test dialogs' templates, controls and strings, shared by the .rc and the tests.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_TEST 100
#define IDD_PROGRESS 101
#define IDI_TEST 128

#define IDC_NAME 1000
#define IDC_COUNT 1001
#define IDC_WIDTH 1002
#define IDC_LOG 1003
#define IDC_ENABLED 1010
#define IDC_FIRST 1011
#define IDC_SECOND 1012
#define IDC_CHOICES 1020
#define IDC_LIST 1021
#define IDC_APPLY 1030
#define IDC_SETTINGS 1031
#define IDC_MESSAGES 1032
#define IDC_OPEN 1033
#define IDC_RUN 1034
#define IDC_MODELESS 1035
#define IDC_PROGRESS_TEXT 1011

// A string in both languages, one only in English, one only in Japanese.
#define IDS_BOTH 200
#define IDS_ENGLISH_ONLY 201
#define IDS_JAPANESE_ONLY 202
// In neither table.
#define IDS_MISSING 299
