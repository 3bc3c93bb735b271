// Numbers of the dialog, menu, icon and bitmap resources and of the dialog's controls. Shared by
// the resource script and the code, so plain #defines only (the resource compiler reads this too).
// The numbers are fixed: the tray finds the mode list of an open dialog by its id, and the tray
// menu's item ids stand for the modes.
#pragma once

#define IDD_AMBIORA_CONFIG 116
#define IDM_TRAY_MENU 104
#define IDB_AMBIORA_LOGO 108

// One icon per mode; the ids do not run in mode order.
#define IDI_MODE_AMBIORA_AS 107
#define IDI_MODE_AMBIORA_ASR 108
#define IDI_MODE_AMBIORA_AS2 109
#define IDI_MODE_BYPASS 110
#define IDI_MODE_AMBIORA_PLUS_C 111
#define IDI_MODE_ENCODE2 112
#define IDI_MODE_ENCODE 113
#define IDI_MODE_HEADPHONE 114
#define IDI_MODE_HEADPHONE_MOVIE 115

// Tray menu items; the -AS2 item carries 40011 although it stands fifth.
#define ID_TRAY_CANCEL 40001
#define ID_TRAY_BYPASS 40002
#define ID_TRAY_AMBIORA_PLUS_C 40003
#define ID_TRAY_AMBIORA_AS 40004
#define ID_TRAY_AMBIORA_ASR 40005
#define ID_TRAY_HEADPHONE 40007
#define ID_TRAY_HEADPHONE_MOVIE 40008
#define ID_TRAY_ENCODE 40009
#define ID_TRAY_ENCODE2 40010
#define ID_TRAY_AMBIORA_AS2 40011

// Configuration dialog controls.
#define IDC_MODE_LIST 1002
#define IDC_SURROUND_DELAY 1005
#define IDC_SURROUND_DELAY_VALUE 1006
#define IDC_CENTRE_TRIM 1007
#define IDC_CENTRE_TRIM_VALUE 1008
#define IDC_SURROUND_TRIM 1009
#define IDC_SURROUND_TRIM_VALUE 1010
#define IDC_BASS_FREQUENCY 1011
#define IDC_BASS_FREQUENCY_VALUE 1012
#define IDC_BASS_TRIM 1013
#define IDC_BASS_TRIM_VALUE 1014
#define IDC_BASS_ENABLE 1015
#define IDC_VIRTUAL_CENTRE 1018
#define IDC_CENTRE_WIDTH_VALUE 1019
#define IDC_CENTRE_WIDTH 1020
#define IDC_MUTE_ALL 1021
#define IDC_UNMUTE_ALL 1022
#define IDC_SPEAKER_L 1023
#define IDC_SPEAKER_C 1024
#define IDC_SPEAKER_R 1025
#define IDC_SPEAKER_SL 1026
#define IDC_MASTER_GAIN_VALUE 1027
#define IDC_SPEAKER_SR 1028
#define IDC_BASS_INVERT 1029
#define IDC_VERSION_LINE 1031
#define IDC_COPYRIGHT_LINE 1032
#define IDC_STATUS 1033
#define IDC_OK 1036
#define IDC_TRAY_ICON 1037
#define IDC_CANCEL 1038
#define IDC_MASTER_GAIN 1039
#define IDC_TRAY_ONLY_WHEN_PLAYING 1040
#define IDC_BASS_BOOST 1041
