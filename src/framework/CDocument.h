#pragma once
// CDocument: the data of the single-document window, shown by its views.
//
// The document template runs OnNewDocument (File New, or start-up without a file) or
// OnOpenDocument(path) (File Open, a recent file, a dropped file, or a file on the command line);
// the base versions do nothing and succeed. After a successful open of a file that could be read
// (LastOpenSucceeded) the framework records the path, titles the document with the file's name
// and adds the path to the recent-file list; a new document, and one whose file could not be
// read, is titled "Untitled". There is no modified flag: nothing asks to save.
//
// UpdateAllViews calls OnUpdate on every view except `sender`. Routing: the document is offered
// every command its view does not handle.

#include <QString>
#include <vector>

#include "framework/CCmdTarget.h"

class CView;

class CDocument : public CCmdTarget {
  public:
    CDocument() = default;
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    virtual bool OnNewDocument() { return true; }
    virtual bool OnOpenDocument(const QString& path);
    // Whether the last OnOpenDocument could read its file. A document may stay usable after a
    // file it could not read (it is then empty): the framework titles it as a new document and
    // keeps the path out of the recent-file list.
    virtual bool LastOpenSucceeded() const { return true; }

    void UpdateAllViews(CView* sender, long hint = 0, void* hintObject = nullptr);
    CView* GetFirstView() const { return views_.empty() ? nullptr : views_.front(); }

    const QString& GetTitle() const { return title_; }
    // Sets the title and the frame's caption.
    void SetTitle(const QString& title);
    const QString& GetPathName() const { return pathName_; }
    // Records the absolute path, titles the document with the file name and, when asked, adds
    // the path to the application's recent-file list.
    void SetPathName(const QString& path, bool addToRecentFiles = true);
    // The path is forgotten and the title becomes "Untitled".
    void SetDefaultTitle();

    // Framework use: the views register themselves.
    void AddView(CView* view);
    void RemoveView(CView* view);

  private:
    std::vector<CView*> views_;
    QString title_;
    QString pathName_;
};
