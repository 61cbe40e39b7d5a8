#include "framework/CRecentFileList.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include "framework/Afx.h"
#include "framework/CCmdUI.h"
#include "framework/CMenu.h"
#include "framework/Profile.h"

namespace {

const QString kGroup = QStringLiteral("Recent File List");
const char* const kPlaceholderProperty = "recentFilePlaceholder";

QString EntryKey(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

QString EntryText(int index, const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

}  // namespace

CRecentFileList::CRecentFileList(int capacity) : capacity_(capacity > 0 ? capacity : 0) {}

void CRecentFileList::ReadList() {
    files_.clear();
    QSettings profile = framework::UserProfile();
    profile.beginGroup(kGroup);
    for (int i = 0; i < capacity_; ++i) {
        const QString path = profile.value(EntryKey(i)).toString();
        if (!path.isEmpty() && !files_.contains(path)) files_.append(path);
    }
}

void CRecentFileList::WriteList() const {
    QSettings profile = framework::UserProfile();
    profile.remove(kGroup);
    profile.beginGroup(kGroup);
    for (int i = 0; i < files_.size(); ++i)
        profile.setValue(EntryKey(i), files_[i]);
    profile.endGroup();
    profile.sync();
}

void CRecentFileList::Add(const QString& path) {
    if (capacity_ == 0 || path.isEmpty()) return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files_.removeAll(absolute);
    files_.prepend(absolute);
    while (files_.size() > capacity_)
        files_.removeLast();
    WriteList();
}

void CRecentFileList::Remove(int index) {
    if (index < 0 || index >= files_.size()) return;
    files_.removeAt(index);
    WriteList();
}

void CRecentFileList::UpdateMenu(CCmdUI& cmdUI) const {
    QAction* first = cmdUI.Action();
    QMenu* menu = cmdUI.Menu();
    if (!first || !menu) return;
    if (!first->property(kPlaceholderProperty).isValid())
        first->setProperty(kPlaceholderProperty, first->text());

    for (QAction* item : menu->actions()) {
        const unsigned id = CMenu::ItemId(item);
        if (id > ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + 16) {
            menu->removeAction(item);
            delete item;
        }
    }
    if (files_.isEmpty()) {
        first->setText(first->property(kPlaceholderProperty).toString());
        first->setEnabled(false);
        return;
    }
    first->setText(EntryText(0, files_[0]));
    first->setEnabled(true);
    const QList<QAction*> items = menu->actions();
    const qsizetype at = items.indexOf(first) + 1;
    QAction* before = at < items.size() ? items[at] : nullptr;
    for (int i = 1; i < files_.size(); ++i) {
        QAction* entry =
            CMenu::NewCommandItem(menu, ID_FILE_MRU_FILE1 + i, EntryText(i, files_[i]));
        menu->insertAction(before, entry);
    }
}
