#include "settings/CSetTempoDlg.h"

#include "framework/DataExchange.h"
#include "res/Resource.h"
#include "settings/SettingsDialogTemplates.h"

CSetTempoDlg::CSetTempoDlg(QWidget* parent) : CDialog(SetTempoTemplate(), parent) {}

void CSetTempoDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_TEMPO, tempoText);
    DDV_MaxChars(pDX, tempoText, kMaxChars);
}
