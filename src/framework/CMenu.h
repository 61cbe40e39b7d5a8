#pragma once
// CMenu: a handle to a menu bar or a popup menu (a QMenuBar or a QMenu), with the menu operations
// of the original platform. Copies share the same menu.
//
// Ownership: a popup made with CreateMenu / CreatePopupMenu belongs to the handles until it is
// inserted into another menu; from then on it lives and dies with that menu (handles never
// destroy an inserted popup). A popup that was never inserted is destroyed with its last handle.
//
// Items carry their command identifier; choosing one routes the identifier through the frame
// window that holds the menu (CFrameWnd::OnCommand). Before a popup opens, the frame refreshes
// its items through the update handlers. Item texts use "&" for mnemonics; text after a tab
// ("&Open...\tCtrl+O") is shown right-aligned as the accelerator's name (the keys themselves come
// from the frame's accelerator table).
//
// MenuItem is the row type of menu tables (the main menu of a frame):
//     MenuItem::Popup("&File", {MenuItem::Command(57601, "&Open...\tCtrl+O"),
//                               MenuItem::Separator(),
//                               MenuItem::Command(57616, "Recent File", MF_GRAYED)})

#include <QString>
#include <memory>
#include <vector>

#include "framework/Afx.h"

class QAction;
class QMenu;
class QWidget;

namespace framework {

struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Command;
    unsigned id = 0;
    QString text;
    unsigned flags = 0;  // MF_GRAYED, MF_CHECKED
    std::vector<MenuItem> items;

    static MenuItem Command(unsigned id, QString text, unsigned flags = 0) {
        return {Kind::Command, id, std::move(text), flags, {}};
    }
    static MenuItem Separator() { return {Kind::Separator, 0, {}, 0, {}}; }
    static MenuItem Popup(QString text, std::vector<MenuItem> items) {
        return {Kind::Popup, 0, std::move(text), 0, std::move(items)};
    }
};

}  // namespace framework

class CMenu {
  public:
    CMenu() = default;

    // Makes this handle refer to a new, empty popup menu.
    bool CreateMenu();
    bool CreatePopupMenu() { return CreateMenu(); }

    // Number of items, separators and popups included; -1 for an empty handle.
    int GetMenuItemCount() const;
    // Inserts `popup` before the item at `position` (flags MF_BYPOSITION | MF_POPUP); a position
    // past the end appends. Returns false for other flags or an empty handle.
    bool InsertMenu(unsigned position, unsigned flags, const CMenu& popup, const QString& label);
    // Appends a text item (MF_STRING, optionally MF_GRAYED / MF_CHECKED) or a separator
    // (MF_SEPARATOR, identifier and text unused).
    bool AppendMenu(unsigned flags, unsigned id = 0, const QString& text = {});
    // Sets (MF_CHECKED) or clears (MF_UNCHECKED) the check mark of the item with command `id`,
    // searching popups too. Returns the previous state, or 0xFFFFFFFF when there is no such item.
    unsigned CheckMenuItem(unsigned id, unsigned check);
    // Replaces the text of the item with command `id`, searching popups too; false when there is
    // no such item.
    bool SetMenuItemText(unsigned id, const QString& text);
    // The popup at `position`; an empty handle when that item is no popup.
    CMenu GetSubMenu(int position) const;

    // Qt access: the menu (QMenuBar or QMenu), and the item with command `id` (searching popups).
    QWidget* GetSafeWidget() const;
    QAction* FindItem(unsigned id) const;

    // Framework use: a handle on an existing menu widget; appends the rows of a menu table.
    static CMenu Attach(QWidget* menu);
    void AppendTable(const std::vector<framework::MenuItem>& items);
    // A command item owned by `menu` (not yet added to it), routed like every other item.
    static QAction* NewCommandItem(QWidget* menu, unsigned id, const QString& text);
    // The command identifier of an item; 0 for separators and popups.
    static unsigned ItemId(const QAction* item);

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};
