#include "framework/CSingleDocTemplate.h"

CSingleDocTemplate::CSingleDocTemplate(framework::FrameResources resources,
                                       DocumentFactory newDocument, FrameFactory newFrame,
                                       ViewFactory newView)
    : resources_(std::move(resources)),
      newDocument_(std::move(newDocument)),
      newFrame_(std::move(newFrame)),
      newView_(std::move(newView)) {}

CSingleDocTemplate::~CSingleDocTemplate() {
    CloseDocument();
}

QString CSingleDocTemplate::GetDocString(DocStringIndex index) const {
    return resources_.documentString.section(QLatin1Char('\n'), index, index);
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const QString& path) {
    bool createdFrame = false;
    if (!document_) {
        document_ = newDocument_();
        if (!document_) return nullptr;
    }
    if (!frame_) {
        std::unique_ptr<CFrameWnd> frame = newFrame_();
        if (!frame || !frame->LoadFrame(resources_, document_.get(), newView_)) {
            if (frame) frame->DestroyView();
            return nullptr;
        }
        frame_ = std::move(frame);
        createdFrame = true;
    }

    const bool ok = path.isEmpty() ? document_->OnNewDocument() : document_->OnOpenDocument(path);
    if (!ok) {
        if (createdFrame) {
            frame_->DestroyView();
            frame_.reset();
        }
        return nullptr;
    }
    if (!path.isEmpty() && document_->LastOpenSucceeded()) {
        document_->SetPathName(path);
    } else {
        const QString name = GetDocString(docName);
        document_->SetDefaultTitle();
        if (!name.isEmpty()) document_->SetTitle(name);
    }
    frame_->InitialUpdateFrame();
    return document_.get();
}

void CSingleDocTemplate::CloseDocument() {
    if (frame_) {
        frame_->DestroyView();
        frame_.reset();
    }
    document_.reset();
}
