#pragma once
// CSetResolutionDlg: the "Set Resolution" dialog. One text, exchanged with edit field
// IDC_RESOLUTION: shown in full when the dialog opens, after which the field takes at most 4 typed
// characters. OK is refused, with the dialog kept open and the focus back in the field, when the
// text is longer than 4 characters ("Please enter no more than 4 characters.") or when its
// leading integer (the atoi rule) is not within 1 .. 9999 ("Please enter an integer between 1 and
// 9999."): a resolution of 0 ticks per beat, which is also what a text without digits gives,
// would make the clock divide by zero. Resolution() gives the accepted value.

#include <QString>

#include "framework/CDialog.h"

class CSetResolutionDlg : public CDialog {
  public:
    static constexpr int kMaxChars = 4;
    static constexpr int kMinResolution = 1;
    static constexpr int kMaxResolution = 9999;

    explicit CSetResolutionDlg(QWidget* parent = nullptr);

    // The leading integer of resolutionText.
    int Resolution() const;

    QString resolutionText;  // empty at construction; the command fills it before DoModal

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
