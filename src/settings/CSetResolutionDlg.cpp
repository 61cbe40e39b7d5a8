#include "settings/CSetResolutionDlg.h"

#include "framework/DataExchange.h"
#include "res/Resource.h"
#include "settings/SettingsDialogTemplates.h"
#include "settings/SettingsText.h"

CSetResolutionDlg::CSetResolutionDlg(QWidget* parent)
    : CDialog(settings::SetResolutionTemplate(), parent) {}

int CSetResolutionDlg::Resolution() const {
    return settings::LeadingInteger(resolutionText.toStdString());
}

void CSetResolutionDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_RESOLUTION, resolutionText);
    DDV_MaxChars(pDX, resolutionText, kMaxChars);
    if (pDX->m_bSaveAndValidate) DDV_MinMaxInt(pDX, Resolution(), kMinResolution, kMaxResolution);
}
