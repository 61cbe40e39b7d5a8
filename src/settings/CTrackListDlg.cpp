#include "settings/CTrackListDlg.h"

#include <QListWidget>
#include <algorithm>
#include <vector>

#include "midi/CMidiSMF.h"
#include "midi/CMidiTrack.h"
#include "res/Resource.h"
#include "settings/SettingsText.h"

namespace {

// The display name of track `index` of the loaded file.
QString TrackName(int index) {
    const std::shared_ptr<CMidiSMF> file = UserSettings.trackNames.lock();
    CMidiTrack* track = file ? file->GetTrack(index) : nullptr;
    const char* name = track ? track->GetName() : nullptr;
    return name ? settings::DisplayText(name) : QString::fromLatin1(CTrackListDlg::kNoName);
}

}  // namespace

CTrackListDlg::CTrackListDlg(const framework::DialogTemplate& dialogTemplate, TrackFlags& flags,
                             QWidget* parent)
    : CDialog(dialogTemplate, parent), flags_(flags) {}

QListWidget* CTrackListDlg::List() const {
    return qobject_cast<QListWidget*>(GetDlgItem(IDC_TRACK_LIST));
}

int CTrackListDlg::FlaggedTrackCount() const {
    return std::clamp(UserSettings.trackCount, 0, kMaxSettingsTracks);
}

bool CTrackListDlg::OnInitDialog() {
    QListWidget* list = List();
    if (list) {
        list->clear();
        for (int i = 0; i < UserSettings.trackCount; ++i) {
            auto* item = new QListWidgetItem(TrackName(i));
            list->insertItem(i, item);
            if (i >= kMaxSettingsTracks) {
                item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
                continue;
            }
            item->setSelected(TrackFlag(flags_, i));
        }
        list->scrollToTop();
    }
    return CDialog::OnInitDialog();
}

const framework::CommandMap* CTrackListDlg::GetCommandMap() const {
    static const framework::CommandMap map = framework::CommandMap::Of<CTrackListDlg>({
        {IDC_TRACKS_SELECT_ALL, &CTrackListDlg::OnSelectAll},
        {IDC_TRACKS_DESELECT_ALL, &CTrackListDlg::OnDeselectAll},
    });
    return &map;
}

void CTrackListDlg::OnSelectAll() {
    SetAll(1);
}

void CTrackListDlg::OnDeselectAll() {
    SetAll(0);
}

void CTrackListDlg::SetAll(int flag) {
    QListWidget* list = List();
    for (int i = 0; i < FlaggedTrackCount(); ++i) {
        flags_[static_cast<size_t>(i)] = flag;
        if (QListWidgetItem* item = list ? list->item(i) : nullptr) item->setSelected(flag != 0);
    }
    if (list) list->scrollToTop();
}

void CTrackListDlg::OnOK() {
    // The indexes of the selected items, in list order, at most as many as there are flags.
    std::vector<int> selected;
    if (QListWidget* list = List()) {
        for (int i = 0;
             i < list->count() && selected.size() < static_cast<size_t>(kMaxSettingsTracks); ++i)
            if (list->item(i)->isSelected()) selected.push_back(i);
    }
    const int flagged = FlaggedTrackCount();
    for (int i = 0; i < flagged; ++i)
        flags_[static_cast<size_t>(i)] = 0;
    for (auto index = selected.rbegin(); index != selected.rend(); ++index)
        if (*index < flagged) flags_[static_cast<size_t>(*index)] = 1;
    CDialog::OnOK();
}
