#include "settings/CSetTempoDlg.h"

#include <algorithm>
#include <cctype>

#include "framework/DataExchange.h"
#include "res/Resource.h"
#include "settings/SettingsDialogTemplates.h"
#include "settings/SettingsText.h"

CSetTempoDlg::CSetTempoDlg(QWidget* parent) : CDialog(settings::SetTempoTemplate(), parent) {}

double CSetTempoDlg::BeatsPerMinute() const {
    const std::string text = tempoText.toStdString();
    const bool hasDigit =
        std::any_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    return hasDigit ? settings::LeadingDecimal(text) : 0.0;
}

void CSetTempoDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_TEMPO, tempoText);
    DDV_MaxChars(pDX, tempoText, kMaxChars);
    if (!pDX->m_bSaveAndValidate) return;
    // 0 is the way to ask for the default of 120 beats per minute.
    const double beatsPerMinute = BeatsPerMinute();
    if (beatsPerMinute != 0.0)
        DDV_MinMaxDouble(pDX, beatsPerMinute, kMinBeatsPerMinute, kMaxBeatsPerMinute);
}
