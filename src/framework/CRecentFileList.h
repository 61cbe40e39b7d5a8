#pragma once
// CRecentFileList: the most recently opened files, newest first, at most `capacity` entries,
// kept in the user's profile (QSettings, organisation "Tabulon", application "Tabulon", group
// "Recent File List", keys "File1" onwards). Paths are stored absolute; adding a path that is
// already listed moves it to the top. Every change is written at once.
//
// UpdateMenu shows the list in a menu in place of the placeholder item ID_FILE_MRU_FILE1: the
// item becomes "&1 <path>" and items ID_FILE_MRU_FILE1 + 1 ... follow it; with an empty list the
// placeholder shows its own text, greyed.

#include <QString>
#include <QStringList>

class CCmdUI;

class CRecentFileList {
  public:
    explicit CRecentFileList(int capacity);

    void ReadList();
    void WriteList() const;
    void Add(const QString& path);
    void Remove(int index);

    int GetSize() const { return static_cast<int>(files_.size()); }
    int Capacity() const { return capacity_; }
    const QStringList& Files() const { return files_; }

    void UpdateMenu(CCmdUI& cmdUI) const;

  private:
    int capacity_;
    QStringList files_;
};
