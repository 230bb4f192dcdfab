// Resource ids of Vorbixw, by dialog. Prefixes: IDD_ dialog template, IDR_ icon or data,
// IDC_ control, IDM_ system-menu command.
#pragma once

// The application
#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 129

// The help window and its text
#define IDD_HELP_DIALOG 131
#define IDR_HELP_TEXT 132
#define IDC_HELP_TEXT 1014

// Main dialog
#define IDD_SCALE_DIALOG 102
#define IDC_NEW_SCALE 1003
#define IDC_MDL 1005
#define IDC_AIRCRAFT 1006
#define IDC_UPDATE 1007
#define IDC_STATUS 1008
#define IDC_SCALE 1009
#define ID_HELP 0xE146
#define IDM_OPEN_AIRCRAFT 0x1000
#define IDM_OPEN_MDL 0x1010
#define IDM_ABOUTBOX 0x1020
#define IDC_FLEET 1015

// Open Aircraft dialog
#define IDD_AIRCRAFT_DIALOG 130
#define IDC_AIRCRAFT_LIST 1009
#define IDC_AIRCRAFT_NAME 1010
#define IDC_AIRCRAFT_NAME_LABEL 1011
#define IDC_AIRCRAFT_MDL 1012
#define IDC_AIRCRAFT_MDL_LABEL 1013

// Fleet dialog
#define IDD_FLEET_DIALOG 133
#define IDC_FLEET_LIST 1016
#define IDC_FLEET_SCALE 1017
#define IDC_FLEET_SET 1018
#define IDC_FLEET_RESTORE 1019
#define IDC_FLEET_PROGRESS 1020
#define IDC_FLEET_STATUS 1021
#define IDC_FLEET_SCALE_LABEL 1022
