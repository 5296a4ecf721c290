// Every resource id of bytwacht.exe: dialogs, their controls, the menu and its
// commands, the icons. Read by windres and by C++ alike, so plain #defines only.
// Menu commands and icons keep the names the program uses for them everywhere
// (Cmd..., Icon...); dialogs and controls carry the usual IDD_/IDC_ prefixes.
#ifndef BYTWACHT_RES_RESOURCE_H
#define BYTWACHT_RES_RESOURCE_H

// Labels that nobody addresses (windows.h leaves this to the resource headers).
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The adapter selection dialog.
#define IDD_ADAPTER 101
#define IDC_ADAPTER_LIST 1001

// The context menu of the window and the notification-area icon. The commands
// arrive as WM_COMMAND.
#define IDR_CONTEXT_MENU 102
#define CmdExit 40002
#define CmdSelectAdapter 40004
#define CmdResetCounter 40006
#define CmdSettings 40008
#define CmdAbout 40010
#define CmdRestartCapture 40012
#define CmdUsage 40014

// Icons: the application, and the three states of the notification-area icon.
#define IconApp 103
#define IconError 108
#define IconOk 109
#define IconWarning 110

// The pages of the settings sheet and their controls.
#define IDD_PAGE_WINDOW 106
#define IDD_PAGE_GRAPH 107
#define IDD_PAGE_CAPTURE 108
#define IDD_PAGE_AUTOSTART 109

#define IDC_ALPHA_TRACKBAR 1002
#define IDC_ALWAYS_ON_TOP 1006
#define IDC_FADE_ON_HOVER 1017

#define IDC_AVG_TIME_EDIT 1004
#define IDC_AVG_TIME_UPDOWN 1005
#define IDC_INTERVAL_EDIT 1009
#define IDC_INTERVAL_UPDOWN 1010
#define IDC_GRADIENTS 1014
#define IDC_SHOW_IN_OUT 1015

#define IDC_CAPTURE_FILTER 1003
#define IDC_PROMISCUOUS 1012
#define IDC_WIRELESS_WARNING 1013
#define IDC_CAPTURE_IPV6 1027

#define IDC_REGISTER_AUTOSTART 1007
#define IDC_REMOVE_AUTOSTART 1008

// The settings page of the monthly limit (appended after the four above).
#define IDD_PAGE_USAGE 111
#define IDC_MONTHLY_LIMIT_EDIT 1018
#define IDC_MONTHLY_LIMIT_UPDOWN 1019
#define IDC_MONTH_START_EDIT 1020
#define IDC_MONTH_START_UPDOWN 1021

// The usage dialog: 31 days as a chart and a list, 12 month periods, export.
#define IDD_USAGE 112
#define IDC_USAGE_CHART 1022
#define IDC_USAGE_DAYS 1023
#define IDC_USAGE_MONTHS_LABEL 1024
#define IDC_USAGE_MONTHS 1025
#define IDC_USAGE_EXPORT 1026

#endif
