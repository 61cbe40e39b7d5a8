#pragma once
// Command, control, dialog and resource identifiers of Tabulon.

#include "framework/Afx.h"

// Resources
constexpr unsigned IDR_MAINFRAME = 128;  // menu, accelerators, document string, icon
constexpr unsigned IDR_TOOLBAR = 157;
constexpr unsigned IDD_ABOUTBOX = 100;
constexpr unsigned IDD_SET_RESOLUTION = 131;
constexpr unsigned IDD_SET_TEMPO = 132;
constexpr unsigned IDD_MONITOR_CHANNELS = 138;
constexpr unsigned IDD_MONITOR_TRACKS = 140;
constexpr unsigned IDD_LOGGING = 141;
constexpr unsigned IDD_TRANSPOSE_TRACKS = 142;
constexpr unsigned IDD_MUTE_TRACKS = 143;
constexpr unsigned IDS_APP_TITLE = 57344;

// The framework's own commands (File New, Open, Save, the recent files, About, Exit, the editing
// keys) and IDOK / IDCANCEL are those of framework/Afx.h.

// Settings and Monitor menus
constexpr unsigned ID_SETTINGS_SET_TEMPO = 32773;
constexpr unsigned ID_SETTINGS_SET_RESOLUTION = 32776;
constexpr unsigned ID_TIMER_PERIOD_1 = 32777;
constexpr unsigned ID_TIMER_PERIOD_10 = 32778;
constexpr unsigned ID_MONITOR_CHANNELS = 32786;
constexpr unsigned ID_MONITOR_TRACKS = 32788;
constexpr unsigned ID_SETTINGS_LOGGING = 32789;
constexpr unsigned ID_SETTINGS_TRANSPOSE = 32796;
constexpr unsigned ID_SETTINGS_MUTE = 32797;

// Play menu
constexpr unsigned ID_PLAY_START = 32782;
constexpr unsigned ID_PLAY_STOP = 32783;
constexpr unsigned ID_PLAY_PAUSE = 32795;

// Toolbar buttons
constexpr unsigned ID_TOOLBAR_STOP = 32810;
constexpr unsigned ID_TOOLBAR_PLAY = 32811;
constexpr unsigned ID_TOOLBAR_PAUSE = 32812;
constexpr unsigned ID_TOOLBAR_LOGGING = 32818;
constexpr unsigned ID_TOOLBAR_SET_TEMPO = 32819;
constexpr unsigned ID_TOOLBAR_MONITOR_CHANNELS = 32820;
constexpr unsigned ID_TOOLBAR_MONITOR_TRACKS = 32821;
constexpr unsigned ID_TOOLBAR_MUTE = 32822;
constexpr unsigned ID_TOOLBAR_TRANSPOSE = 32824;

// Chords menu (the guitarist's options) and its toolbar button
constexpr unsigned ID_CHORDS_GUITARIST_VIEW = 32900;
constexpr unsigned ID_CHORDS_LARGE_VIEW = 32901;
constexpr unsigned ID_CHORDS_ALL_FINGERINGS = 32902;
constexpr unsigned ID_CHORDS_STEADY = 32903;
constexpr unsigned ID_CHORDS_GUITAR_NAMES = 32904;
constexpr unsigned ID_CHORDS_MORE_TYPES = 32905;
constexpr unsigned ID_CHORDS_MIN_LENGTH_OFF = 32906;
constexpr unsigned ID_CHORDS_MIN_LENGTH_HALF_BEAT = 32907;
constexpr unsigned ID_CHORDS_MIN_LENGTH_BEAT = 32908;
constexpr unsigned ID_CHORDS_MIN_LENGTH_TWO_BEATS = 32909;
constexpr unsigned ID_CHORDS_MIN_LENGTH_BAR = 32910;
constexpr unsigned ID_TOOLBAR_GUITARIST_VIEW = 32911;

// Practice menu and its toolbar buttons
constexpr unsigned ID_PRACTICE_PLAY_PAUSE = 32920;
constexpr unsigned ID_PRACTICE_REWIND = 32921;
constexpr unsigned ID_PRACTICE_BAR_BACK = 32922;
constexpr unsigned ID_PRACTICE_BAR_FORWARD = 32923;
constexpr unsigned ID_PRACTICE_SLOWER = 32924;
constexpr unsigned ID_PRACTICE_FASTER = 32925;
constexpr unsigned ID_PRACTICE_SPEED_50 = 32926;
constexpr unsigned ID_PRACTICE_SPEED_75 = 32927;
constexpr unsigned ID_PRACTICE_SPEED_100 = 32928;
constexpr unsigned ID_PRACTICE_SPEED_125 = 32929;
constexpr unsigned ID_PRACTICE_LOOP = 32931;
constexpr unsigned ID_PRACTICE_LOOP_SET_A = 32932;
constexpr unsigned ID_PRACTICE_LOOP_SET_B = 32933;
constexpr unsigned ID_PRACTICE_LOOP_BARS = 32934;
constexpr unsigned ID_PRACTICE_COUNT_IN = 32935;
constexpr unsigned ID_TOOLBAR_REWIND = 32940;
constexpr unsigned ID_TOOLBAR_SLOWER = 32941;
constexpr unsigned ID_TOOLBAR_FASTER = 32942;
constexpr unsigned ID_TOOLBAR_LOOP = 32943;
constexpr unsigned ID_TOOLBAR_COUNT_IN = 32944;

// Output device menu: device items from here on
constexpr unsigned ID_OUTPUT_DEVICE_FIRST = 201;

// Dialog controls
constexpr unsigned IDC_VERSION_LABEL = 1003;  // About box
constexpr unsigned IDC_RESOLUTION = 1001;     // Set Resolution
constexpr unsigned IDC_TEMPO = 1002;          // Set Tempo
constexpr unsigned IDC_TRACK_LIST = 1010;     // track dialogs
constexpr unsigned IDC_TRACKS_SELECT_ALL = 1011;
constexpr unsigned IDC_TRACKS_DESELECT_ALL = 1012;
constexpr unsigned IDC_CHANNELS_DESELECT_ALL = 1013;  // Monitor Midi Channels
constexpr unsigned IDC_CHANNELS_SELECT_ALL = 1014;
constexpr unsigned IDC_LOG_FILE = 1015;  // Logging
constexpr unsigned IDC_LOG_NOTES = 1016;
constexpr unsigned IDC_LOG_MIDI_EVENTS = 1017;
constexpr unsigned IDC_LOG_TRACK_INFO = 1018;
constexpr unsigned IDC_LOG_CHORDS = 1019;
constexpr unsigned IDC_LOG_ENABLE = 1025;
constexpr unsigned IDC_TRANSPOSE_AMOUNT = 1028;  // Transpose Tracks
constexpr unsigned IDC_LOOP_FROM_BAR = 1040;     // Loop Bars
constexpr unsigned IDC_LOOP_TO_BAR = 1041;
// The 16 channel check boxes, labelled "1" to "16", in the order Select All walks them.
constexpr unsigned IDC_CHANNEL_CHECKS[16] = {1004, 1005, 1006, 1007, 1021, 1022, 1023, 1024,
                                             1025, 1026, 1027, 1028, 1029, 1030, 1031, 1032};
