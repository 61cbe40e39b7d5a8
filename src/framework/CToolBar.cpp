#include "framework/CToolBar.h"

#include <QAction>
#include <QFile>
#include <QIcon>

#include "framework/CFrameWnd.h"
#include "framework/CMenu.h"

CToolBar::CToolBar() {
    setMovable(false);
    setFloatable(false);
}

bool CToolBar::Create(CFrameWnd* frame, unsigned id) {
    if (!frame) return false;
    frame_ = frame;
    id_ = id;
    setObjectName(QStringLiteral("toolbar%1").arg(id));
    frame->addToolBar(Qt::TopToolBarArea, this);
    show();
    return true;
}

bool CToolBar::LoadToolBar(const std::vector<framework::ToolBarButton>& buttons) {
    if (!frame_) return false;
    for (const framework::ToolBarButton& button : buttons) {
        if (!QFile::exists(button.iconPath)) return false;
    }
    setIconSize(QSize(25, 19));
    for (const framework::ToolBarButton& button : buttons) {
        QAction* action = CMenu::NewCommandItem(this, button.id, button.toolTip);
        action->setIcon(QIcon(button.iconPath));
        action->setToolTip(button.toolTip);
        addAction(action);
    }
    return true;
}

QAction* CToolBar::FindButton(unsigned id) const {
    for (QAction* action : actions()) {
        if (CMenu::ItemId(action) == id) return action;
    }
    return nullptr;
}
