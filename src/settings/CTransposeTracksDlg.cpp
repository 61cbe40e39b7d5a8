#include "settings/CTransposeTracksDlg.h"

#include "framework/DataExchange.h"
#include "res/Resource.h"
#include "settings/SettingsDialogTemplates.h"

CTransposeTracksDlg::CTransposeTracksDlg(QWidget* parent)
    : CTrackListDlg(settings::TransposeTracksTemplate(), UserSettings.transposedTracks, parent),
      transposeAmount(UserSettings.transposeAmount) {}

void CTransposeTracksDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_TRANSPOSE_AMOUNT, transposeAmount);
    DDV_MinMaxInt(pDX, transposeAmount, kMinAmount, kMaxAmount);
}
