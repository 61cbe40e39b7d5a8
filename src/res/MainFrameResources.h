#pragma once
// The resource tables of Tabulon's main window: the document string, the main menu, the
// accelerators, the toolbar buttons, the application icon and the About box. They are plain data
// built on request; the icons are SVG files compiled into the program (tabulon.qrc), reached by
// their resource paths once InitResources has run.

#include <QString>
#include <vector>

#include "framework/CDialog.h"
#include "framework/CFrameWnd.h"
#include "framework/CMenu.h"
#include "framework/CToolBar.h"
#include "res/Version.h"

// Registers the compiled-in icons; safe to call more than once.
void InitResources();

// Document string 128: window title, no document name, File New name, no filter, no extension,
// file type identifier and name.
QString MainDocumentString();

// Menu 128 with its popups; the device menu is inserted by the view at run time.
std::vector<framework::MenuItem> MainMenuTable();

// The "&Chords" menu of the guitarist's options, which the frame inserts after the device menu.
QString ChordsMenuLabel();
std::vector<framework::MenuItem> ChordsMenuTable();

// The Guitarist View button, after the designed ten and a separator.
std::vector<framework::ToolBarButton> ChordsToolBarButtons();

// The "P&ractice" menu, which the frame inserts after the Play menu, its keys and its toolbar
// buttons (after the Guitarist View button and a separator).
QString PracticeMenuLabel();
std::vector<framework::MenuItem> PracticeMenuTable();
std::vector<framework::Accelerator> PracticeAcceleratorTable();
std::vector<framework::ToolBarButton> PracticeToolBarButtons();

// Accelerators 128.
std::vector<framework::Accelerator> MainAcceleratorTable();

// Toolbar 157: ten buttons, no separators.
std::vector<framework::ToolBarButton> MainToolBarButtons();

// Everything the document template hands to its frame: the designed tables, with the practice
// keys after the designed accelerators.
framework::FrameResources MainFrameResources();

// Icon 128.
QString ApplicationIconPath();

// Dialog 100, the About box; control IDC_VERSION_LABEL receives the library version.
framework::DialogTemplate AboutBoxTemplate();

// The filters of the Open dialog, MIDI files first.
QStringList OpenFileFilters();
