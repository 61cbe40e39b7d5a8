#include "framework/CCmdUI.h"

#include <QAction>

#include "framework/CCmdTarget.h"

void CCmdUI::Enable(bool on) {
    enabled_ = on;
    enableChanged_ = true;
    if (action_) action_->setEnabled(on);
}

void CCmdUI::SetCheck(int check) {
    if (!action_) return;
    action_->setCheckable(true);
    action_->setChecked(check != 0);
}

void CCmdUI::DoUpdate(CCmdTarget& target, bool disableIfNoHandler) {
    enableChanged_ = false;
    target.OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this);
    if (disableIfNoHandler && !enableChanged_)
        Enable(target.OnCmdMsg(m_nID, CN_QUERY_HANDLER, nullptr));
}
