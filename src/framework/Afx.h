#pragma once
// Afx: the framework's shared vocabulary. Colour values (COLORREF, 0x00BBGGRR), the standard
// command identifiers that the framework itself handles or reserves, the dialog results, the
// menu, message-box and list-box flags, and the notification codes of command routing.
//
// Routing codes: CN_COMMAND runs a command's handler; CN_UPDATE_COMMAND_UI runs its update
// handler with a CCmdUI; CN_QUERY_HANDLER only asks whether a command handler exists (it never
// runs one), so an OnCmdMsg override that acts on CN_COMMAND is never triggered by a query.

#include <cstdint>

// ---- Colours: 0x00BBGGRR, red in the low byte ----
using COLORREF = uint32_t;
constexpr COLORREF RGB(int red, int green, int blue) {
    return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// ---- Standard command identifiers ----
constexpr unsigned ID_FILE_NEW = 57600;
constexpr unsigned ID_FILE_OPEN = 57601;
constexpr unsigned ID_FILE_SAVE = 57603;
constexpr unsigned ID_FILE_SAVE_AS = 57604;
constexpr unsigned ID_FILE_MRU_FILE1 = 57616;  // first recent-file entry; the list uses 4
constexpr unsigned ID_EDIT_COPY = 57634;
constexpr unsigned ID_EDIT_CUT = 57635;
constexpr unsigned ID_EDIT_PASTE = 57637;
constexpr unsigned ID_EDIT_UNDO = 57643;
constexpr unsigned ID_APP_ABOUT = 57664;
constexpr unsigned ID_APP_EXIT = 57665;
constexpr unsigned ID_NEXT_PANE = 57680;
constexpr unsigned ID_PREV_PANE = 57681;
constexpr unsigned AFX_IDW_TOOLBAR = 0xE800;

// ---- Dialog results and control identifiers ----
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr unsigned IDC_STATIC = 0xFFFF;

// ---- Menu flags ----
constexpr unsigned MF_STRING = 0x0000;
constexpr unsigned MF_BYCOMMAND = 0x0000;
constexpr unsigned MF_UNCHECKED = 0x0000;
constexpr unsigned MF_ENABLED = 0x0000;
constexpr unsigned MF_GRAYED = 0x0001;
constexpr unsigned MF_CHECKED = 0x0008;
constexpr unsigned MF_POPUP = 0x0010;
constexpr unsigned MF_BYPOSITION = 0x0400;
constexpr unsigned MF_SEPARATOR = 0x0800;

// ---- Message-box flags and results ----
constexpr unsigned MB_OK = 0x0000;
constexpr unsigned MB_ICONERROR = 0x0010;
constexpr unsigned MB_ICONWARNING = 0x0030;
constexpr unsigned MB_ICONEXCLAMATION = 0x0030;
constexpr unsigned MB_ICONINFORMATION = 0x0040;
constexpr unsigned MB_ICONMASK = 0x00F0;

// ---- List-box style: several items selected at once, a plain click toggles one ----
constexpr unsigned LBS_MULTIPLESEL = 0x0008;

// ---- Text background modes of a drawing context ----
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// ---- Command routing codes ----
constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;
constexpr int CN_QUERY_HANDLER = -2;
