#pragma once
// CSingleDocTemplate: ties the one document class, the frame class and the view class together
// and runs the new/open cycle of the single-document interface.
//
// OpenDocumentFile(path), an empty path meaning File New: the first call creates the document,
// then the frame (CFrameWnd::LoadFrame, which creates the view); later calls reuse them. Then
// OnNewDocument or OnOpenDocument runs; on success the document is titled (the file's name with
// its path recorded and added to the recent-file list when the file could be read, otherwise
// "Untitled"), the frame is shown and the view updated. On failure a frame created by this call is
// destroyed and null is returned.
//
// CloseDocument (also run by the destructor) destroys the view, then the frame, then the
// document, so that the view's members can still reach the document while they go.
//
//     app.AddDocTemplate(CSingleDocTemplate::Create<CTabulonDoc, CMainFrame, CTabulonView>(
//         MainFrameResources()));

#include <QString>
#include <functional>
#include <memory>

#include "framework/CDocument.h"
#include "framework/CFrameWnd.h"
#include "framework/CView.h"

class CSingleDocTemplate {
  public:
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<std::unique_ptr<CFrameWnd>()>;
    using ViewFactory = CFrameWnd::ViewFactory;

    // Fields of the document string, in order.
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };

    CSingleDocTemplate(framework::FrameResources resources, DocumentFactory newDocument,
                       FrameFactory newFrame, ViewFactory newView);
    ~CSingleDocTemplate();
    CSingleDocTemplate(const CSingleDocTemplate&) = delete;
    CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

    template <class Doc, class Frame, class View>
    static std::unique_ptr<CSingleDocTemplate> Create(framework::FrameResources resources) {
        return std::make_unique<CSingleDocTemplate>(
            std::move(resources), [] { return std::make_unique<Doc>(); },
            [] { return std::make_unique<Frame>(); }, [] { return std::make_unique<View>(); });
    }

    CDocument* OpenDocumentFile(const QString& path);
    void CloseDocument();

    QString GetDocString(DocStringIndex index) const;
    CDocument* GetDocument() const { return document_.get(); }
    CFrameWnd* GetFrame() const { return frame_.get(); }

  private:
    framework::FrameResources resources_;
    DocumentFactory newDocument_;
    FrameFactory newFrame_;
    ViewFactory newView_;
    std::unique_ptr<CDocument> document_;
    std::unique_ptr<CFrameWnd> frame_;
};
