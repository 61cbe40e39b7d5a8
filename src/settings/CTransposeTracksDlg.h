#pragma once
// CTransposeTracksDlg: the "Transpose Tracks" dialog, the track list over
// UserSettings.transposedTracks (see CTrackListDlg) with the transpose amount in edit field
// IDC_TRANSPOSE_AMOUNT. The amount starts at UserSettings.transposeAmount; OK accepts only a
// whole number from kMinAmount to kMaxAmount ("Please enter an integer." /
// "Please enter an integer between -12 and 12." otherwise, the dialog staying open). The dialog
// does not store the amount: the command copies it on OK.

#include <cstdint>

#include "settings/CTrackListDlg.h"

class CTransposeTracksDlg : public CTrackListDlg {
  public:
    static constexpr int kMinAmount = -12;
    static constexpr int kMaxAmount = 12;

    explicit CTransposeTracksDlg(QWidget* parent = nullptr);

    int transposeAmount = 0;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
