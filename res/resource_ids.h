// Resource ids shared by the resource script and the C++ code. Plain macros,
// because the resource compiler understands nothing else.
#pragma once

// Dialog templates and the About box picture.
#define ZEK_IDD_SETTINGS 5000
#define ZEK_IDD_ABOUT 5002
#define ZEK_IDB_ABOUT 5004

// Controls of the settings dialog.
#define ZEK_IDC_OK 5002
#define ZEK_IDC_CANCEL 5003
#define ZEK_IDC_ABOUT 5008
#define ZEK_IDC_CHANNEL_NAME 5145
#define ZEK_IDC_ON_OFF 5050
#define ZEK_IDC_METRICS 5051
#define ZEK_IDC_OVER_ZOOM 5105
#define ZEK_IDC_OVER_ZOOM_SPIN 5106

// String-table entries: name and description handed to the host, and the
// range balloon's title and message format.
#define ZEK_IDS_NAME 1
#define ZEK_IDS_DESCRIPTION 2
#define ZEK_IDS_RANGE_TITLE 26
#define ZEK_IDS_RANGE_FORMAT 27
