#include "framework/CView.h"

#include <QPaintEvent>
#include <QPainter>

#include "framework/CDC.h"
#include "framework/CDocument.h"

CView::CView() {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CView::~CView() {
    if (document_) document_->RemoveView(this);
}

void CView::Attach(CFrameWnd* frame, CDocument* document) {
    frame_ = frame;
    if (document_) document_->RemoveView(this);
    document_ = document;
    if (document_) document_->AddView(this);
}

void CView::OnUpdate(CView* sender, long hint, void* hintObject) {
    (void)sender;
    (void)hint;
    (void)hintObject;
    update();
}

bool CView::OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) {
    if (CCmdTarget::OnCmdMsg(id, code, cmdUI)) return true;
    return document_ && document_->OnCmdMsg(id, code, cmdUI);
}

void CView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    CDC dc(painter);
    OnDraw(dc);
}
