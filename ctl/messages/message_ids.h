/* Ids of the program's string table: the messages shown in message boxes and the progress window.
 * Plain defines, so that the resource compiler reads them too. */
#ifndef TKBCTL_MESSAGE_IDS_H
#define TKBCTL_MESSAGE_IDS_H

// Register access in the main window.
#define IDS_SLAVE_ADDRESS_EMPTY 10000
#define IDS_SUB_ADDRESS_EMPTY 10001
#define IDS_WRITE_VALUE_EMPTY 10002
#define IDS_READ_COUNTS_NOT_POSITIVE 10003
#define IDS_SLAVE_ADDRESS_INVALID 10004
#define IDS_SUB_ADDRESS_INVALID 10005
#define IDS_WRITE_VALUE_INVALID 10006
#define IDS_READ_COUNTS_INVALID 10007
#define IDS_READ_REGISTER_FAILED 10008
#define IDS_WRITE_REGISTER_FAILED 10009
#define IDS_SETTING_FILE_WRITE_FAILED 10010
#define IDS_READ_SETTINGS_FAILED 10011
#define IDS_WRITE_SETTINGS_FAILED 10012
// A Read Counts beyond what the library reads in one transfer (255 bytes over I2C, 1023 of FPGA
// register space).
#define IDS_READ_COUNTS_TOO_LARGE 10019

// Firmware updates.
#define IDS_UPDATE_FAILED 10013
#define IDS_VERIFY_FX3_FAILED 10016
#define IDS_UPDATE_FPGA_FAILED 10017
#define IDS_VERIFY_FPGA_FAILED 10018
// An image longer than the flash region it is written to (up to the next image, the settings block
// or the end of the flash) or than a 24-bit length; refused before the board is touched.
#define IDS_IMAGE_TOO_LARGE_FOR_FLASH 10020
// The memory for an image or its read-back could not be had; nothing was written.
#define IDS_UPDATE_OUT_OF_MEMORY 10021

// Setting files and the progress window.
#define IDS_APPLYING_SETTING_FILE 12001
#define IDS_BOARD_NOT_FOUND 12004
#define IDS_SETTING_FILE_NOT_OPENED 12005
#define IDS_SETTING_FILE_NOT_READ 12006
#define IDS_UPDATING_FX3 12007
#define IDS_UPDATE_FX3_SUCCEEDED 12008
#define IDS_UPDATING_FPGA 12009
#define IDS_UPDATE_FPGA_SUCCEEDED 12010
#define IDS_CONFIRM_UPDATE_FX3 12011
#define IDS_CONFIRM_UPDATE_FPGA 12012

#endif
