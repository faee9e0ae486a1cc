// Identifiers of the program's resources, shared by the code and korvane.rc.
// The two firmware images (type "BIN", ids 133 and 135) are carried by
// firmware/firmware_images.rc.
#ifndef KORVANE_APP_RESOURCE_H
#define KORVANE_APP_RESOURCE_H

#define IDD_KORVANE_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_LOG_AREA 1000
#define IDC_DOWNLOAD 1003
#define IDC_PROGRESS 1010
#define IDC_CLOSE 1019

#endif
