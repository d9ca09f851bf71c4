// Resource, control and command numbers of the program.
#pragma once

// Resources
#define IDD_ABOUTBOX 100
#define IDR_MAINFRAME 128  // application icon, menu, accelerators, name string
#define IDD_MAIN 129
#define IDS_INSTANCE_NAME 130
#define IDD_TIMEVIEW 201
#define IDC_DRAG 205  // cursor while a cue entry is dragged
#define IDI_TRAY_NORMAL 206
#define IDI_TRAY_FLIP 207
#define IDI_TRAY_BLINKOFF 208

// Popups of menu IDR_MAINFRAME, by position
#define MENU_POPUP_TRAY 0
#define MENU_POPUP_CUE 1

// Controls
#define IDC_TIME_DISPLAY 1000
#define IDC_CUELIST 1001
#define IDC_TIME_EDIT 1004
#define IDC_TIME_TAKE 1005
#define IDC_TIME_STOP 1006
#define IDC_TIME_JOG 1007
#define IDC_TIME_PLAY 1008
#define IDC_TIME_INST 1009
#define IDC_VERSION 1010
#define IDC_SPECIALBUILD 1011
#define IDC_SEEKBAR 1050

// Commands
#define ID_SETUP 32775
#define ID_SELECT_MME 32776
#define ID_PLAY 32777
#define ID_PAUSE 32778
#define ID_STOP 32779
#define ID_TIMEVIEW 32780
#define ID_CUESHEETWINDOW 32781
#define ID_CUEPLAY 32784
#define ID_SPOTPLAY 32785
#define ID_CUE_DELETE 32786
#define ID_CUE_CLEARTIMES 32787
#define ID_CUE_TIMESELECTED 32788
#define ID_CUE_TIMEALL 32789
#define ID_TITLEBAR 32790
#define ID_SEEKPANEL 32791
#define ID_TIMEMODE_NOFRAMES 32794
#define ID_TIMEMODE_CDFRAMES 32795
#define ID_TIMEMODE_SMPTE30 32796
#define ID_TIMEMODE_HUNDREDTHS 32797
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP 57670
// One command per ASIO output pair; the map accepts one more than the menu offers.
#define ID_ASIO_FIRST 0xD000
#define ID_ASIO_LAST 0xD080
#define MAX_ASIO_MENU_PAIRS 128

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
