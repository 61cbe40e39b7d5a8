#pragma once
// CMonitorChannelsDlg: the "Monitor Midi Channels" dialog, 16 check boxes labelled "1" to "16".
// Construction copies UserSettings.monitoredChannels: flag n-1 becomes channelValues[n-1], the
// value of the box labelled n. Opening shows the values as check marks; Select All and Deselect
// All set or clear all 16 boxes and nothing else; OK reads the marks back into channelValues and
// closes. The dialog never writes UserSettings: the command copies channelValues on OK.

#include "framework/CDialog.h"
#include "settings/UserSettings.h"

class CMonitorChannelsDlg : public CDialog {
  public:
    explicit CMonitorChannelsDlg(QWidget* parent = nullptr);

    ChannelFlags channelValues{};

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    const framework::CommandMap* GetCommandMap() const override;

  private:
    void OnSelectAll();
    void OnDeselectAll();
    void CheckAll(int check);
};
