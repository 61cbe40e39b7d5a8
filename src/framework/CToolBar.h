#pragma once
// CToolBar: the frame's toolbar, a fixed (not movable, not floating) row of buttons along the top
// edge of its frame. Create attaches it to a frame; LoadToolBar fills it from a button table of
// (command identifier, icon resource path, tool tip). A click routes the identifier through the
// frame (CFrameWnd::OnCommand), which first runs the command's enable test. The frame refreshes
// the buttons' enabled and checked states through the update handlers whenever the application
// goes idle; a button whose command has no handler anywhere is disabled.
//
// May be held by value in a frame: it is destroyed before the frame's own widgets.

#include <QString>
#include <QToolBar>
#include <vector>

#include "framework/Afx.h"

class CFrameWnd;

namespace framework {

struct ToolBarButton {
    unsigned id;
    QString iconPath;  // e.g. ":/toolbar/open.svg"
    QString toolTip;
};

}  // namespace framework

class CToolBar : public QToolBar {
  public:
    CToolBar();

    // Places the toolbar at the top of `frame`. Fails when there is no frame.
    bool Create(CFrameWnd* frame, unsigned id = AFX_IDW_TOOLBAR);
    // Adds one button per row, in order. Fails (adding nothing) when the toolbar is not created
    // or an icon resource does not exist.
    bool LoadToolBar(const std::vector<framework::ToolBarButton>& buttons);

    unsigned GetDlgCtrlID() const { return id_; }
    // The button's action for command `id`; none when the toolbar has no such button.
    QAction* FindButton(unsigned id) const;

  private:
    CFrameWnd* frame_ = nullptr;
    unsigned id_ = 0;
};
