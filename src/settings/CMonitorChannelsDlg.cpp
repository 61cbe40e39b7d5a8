#include "settings/CMonitorChannelsDlg.h"

#include "framework/DataExchange.h"
#include "res/Resource.h"
#include "settings/SettingsDialogTemplates.h"

CMonitorChannelsDlg::CMonitorChannelsDlg(QWidget* parent)
    : CDialog(settings::MonitorChannelsTemplate(), parent) {
    for (int channel = 0; channel < kMidiChannels; ++channel)
        channelValues[channel] = UserSettings.monitoredChannels[channel] != 0;
}

void CMonitorChannelsDlg::DoDataExchange(CDataExchange* pDX) {
    for (int channel = 0; channel < kMidiChannels; ++channel)
        DDX_Check(pDX, IDC_CHANNEL_CHECKS[channel], channelValues[channel]);
}

const framework::CommandMap* CMonitorChannelsDlg::GetCommandMap() const {
    static const framework::CommandMap map = framework::CommandMap::Of<CMonitorChannelsDlg>({
        {IDC_CHANNELS_SELECT_ALL, &CMonitorChannelsDlg::OnSelectAll},
        {IDC_CHANNELS_DESELECT_ALL, &CMonitorChannelsDlg::OnDeselectAll},
    });
    return &map;
}

void CMonitorChannelsDlg::OnSelectAll() {
    CheckAll(1);
}

void CMonitorChannelsDlg::OnDeselectAll() {
    CheckAll(0);
}

void CMonitorChannelsDlg::CheckAll(int check) {
    for (unsigned id : IDC_CHANNEL_CHECKS)
        CheckDlgButton(id, check);
}
