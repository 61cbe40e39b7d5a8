#pragma once
// CView: the client area of the frame, a QWidget showing its document. Painting erases to white
// (the window background) and calls the virtual OnDraw with a drawing context on the widget.
//
// The frame creates the view during CFrameWnd::OnCreate, after which its virtual OnCreate runs
// (GetParentFrame and GetDocument already work; the frame's menu exists). OnUpdate, called by
// CDocument::UpdateAllViews, repaints the whole view by default; OnInitialUpdate runs after each
// new or opened document and calls OnUpdate.
//
// Routing: OnCmdMsg tries the view's own table, then its document's. A view may override it to
// look at every command first, and then call CView::OnCmdMsg.
//
// GetDispatcher is the view's queue for MessageWindows (see GuiDispatcher); it outlives every
// member of a derived view.

#include <QWidget>

#include "framework/CCmdTarget.h"
#include "framework/GuiDispatcher.h"

class CDC;
class CDocument;
class CFrameWnd;

class CView : public QWidget, public CCmdTarget {
  public:
    CView();
    ~CView() override;

    CDocument* GetDocument() const { return document_; }
    CFrameWnd* GetParentFrame() const { return frame_; }
    midi::MessageDispatcher& GetDispatcher() { return dispatcher_; }

    virtual int OnCreate() { return 0; }
    virtual void OnDraw(CDC& dc) = 0;
    virtual void OnUpdate(CView* sender, long hint, void* hintObject);
    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

    bool OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) override;

    // Framework use: the frame attaches the view to itself and to the document.
    void Attach(CFrameWnd* frame, CDocument* document);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    framework::GuiDispatcher dispatcher_;
    CFrameWnd* frame_ = nullptr;
    CDocument* document_ = nullptr;
};
