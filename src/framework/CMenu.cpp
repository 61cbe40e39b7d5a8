#include "framework/CMenu.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include "framework/CFrameWnd.h"
#include "framework/CWinApp.h"

struct CMenu::Shared {
    QPointer<QWidget> menu;
    bool owned = false;  // made by CreateMenu: destroyed with the handles unless inserted
    ~Shared() {
        if (owned && menu && !menu->parent()) delete menu.data();
    }
};

namespace {

// The frame whose widget tree holds `object` (menus are parented to the bar, the bar to the
// frame); the main frame for menus not yet inserted anywhere.
CFrameWnd* FrameOf(QObject* object) {
    for (QObject* o = object; o; o = o->parent()) {
        if (auto* frame = dynamic_cast<CFrameWnd*>(o)) return frame;
    }
    return AfxGetMainWnd();
}

QMenu* NewPopup() {
    auto* popup = new QMenu;
    QObject::connect(popup, &QMenu::aboutToShow, popup, [popup] {
        if (CFrameWnd* frame = FrameOf(popup)) frame->UpdateMenuItems(*popup);
    });
    return popup;
}

QAction* FindIn(const QWidget& menu, unsigned id) {
    for (QAction* item : menu.actions()) {
        if (QMenu* popup = item->menu()) {
            if (QAction* found = FindIn(*popup, id)) return found;
        } else if (CMenu::ItemId(item) == id && !item->isSeparator()) {
            return item;
        }
    }
    return nullptr;
}

}  // namespace

bool CMenu::CreateMenu() {
    shared_ = std::make_shared<Shared>();
    shared_->menu = NewPopup();
    shared_->owned = true;
    return true;
}

CMenu CMenu::Attach(QWidget* menu) {
    CMenu handle;
    if (menu) {
        handle.shared_ = std::make_shared<Shared>();
        handle.shared_->menu = menu;
    }
    return handle;
}

QWidget* CMenu::GetSafeWidget() const {
    return shared_ ? shared_->menu.data() : nullptr;
}

int CMenu::GetMenuItemCount() const {
    QWidget* menu = GetSafeWidget();
    return menu ? static_cast<int>(menu->actions().size()) : -1;
}

bool CMenu::InsertMenu(unsigned position, unsigned flags, const CMenu& popup,
                       const QString& label) {
    QWidget* menu = GetSafeWidget();
    auto* sub = qobject_cast<QMenu*>(popup.GetSafeWidget());
    if (!menu || !sub || sub == menu ||
        (flags & (MF_POPUP | MF_BYPOSITION)) != (MF_POPUP | MF_BYPOSITION))
        return false;
    sub->setTitle(label);
    sub->setParent(menu, sub->windowFlags());
    const QList<QAction*> items = menu->actions();
    QAction* before = position < static_cast<unsigned>(items.size()) ? items[position] : nullptr;
    menu->insertAction(before, sub->menuAction());
    return true;
}

QAction* CMenu::NewCommandItem(QWidget* menu, unsigned id, const QString& text) {
    auto* item = new QAction(text, menu);
    item->setData(id);
    QObject::connect(item, &QAction::triggered, item, [item] {
        const unsigned command = ItemId(item);
        if (CFrameWnd* frame = FrameOf(item)) frame->OnCommand(command);
    });
    return item;
}

unsigned CMenu::ItemId(const QAction* item) {
    return item && !item->menu() ? item->data().toUInt() : 0;
}

bool CMenu::AppendMenu(unsigned flags, unsigned id, const QString& text) {
    QWidget* menu = GetSafeWidget();
    if (!menu || (flags & MF_POPUP)) return false;
    if (flags & MF_SEPARATOR) {
        auto* separator = new QAction(menu);
        separator->setSeparator(true);
        menu->addAction(separator);
        return true;
    }
    QAction* item = NewCommandItem(menu, id, text);
    item->setEnabled(!(flags & MF_GRAYED));
    if (flags & MF_CHECKED) {
        item->setCheckable(true);
        item->setChecked(true);
    }
    menu->addAction(item);
    return true;
}

void CMenu::AppendTable(const std::vector<framework::MenuItem>& items) {
    for (const framework::MenuItem& row : items) {
        switch (row.kind) {
            case framework::MenuItem::Kind::Command:
                AppendMenu(MF_STRING | row.flags, row.id, row.text);
                break;
            case framework::MenuItem::Kind::Separator:
                AppendMenu(MF_SEPARATOR);
                break;
            case framework::MenuItem::Kind::Popup: {
                CMenu popup;
                popup.CreateMenu();
                popup.AppendTable(row.items);
                InsertMenu(static_cast<unsigned>(GetMenuItemCount()), MF_BYPOSITION | MF_POPUP,
                           popup, row.text);
                break;
            }
        }
    }
}

QAction* CMenu::FindItem(unsigned id) const {
    QWidget* menu = GetSafeWidget();
    return menu ? FindIn(*menu, id) : nullptr;
}

unsigned CMenu::CheckMenuItem(unsigned id, unsigned check) {
    QAction* item = FindItem(id);
    if (!item) return 0xFFFFFFFFu;
    const unsigned previous = item->isChecked() ? MF_CHECKED : MF_UNCHECKED;
    item->setCheckable(true);
    item->setChecked((check & MF_CHECKED) != 0);
    return previous;
}

bool CMenu::SetMenuItemText(unsigned id, const QString& text) {
    QAction* item = FindItem(id);
    if (!item) return false;
    item->setText(text);
    return true;
}

CMenu CMenu::GetSubMenu(int position) const {
    QWidget* menu = GetSafeWidget();
    if (!menu || position < 0 || position >= menu->actions().size()) return {};
    return Attach(menu->actions()[position]->menu());
}
