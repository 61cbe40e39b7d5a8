#pragma once
// CSetTempoDlg: the "Set Tempo" dialog. One text, exchanged with edit field IDC_TEMPO: shown in
// full when the dialog opens, after which the field takes at most 8 typed characters; OK with a
// longer text is refused with the standard "no more than 8 characters" warning and the dialog
// stays open. Any characters are accepted; the command converts the text.

#include <QString>

#include "framework/CDialog.h"

class CSetTempoDlg : public CDialog {
  public:
    static constexpr int kMaxChars = 8;

    explicit CSetTempoDlg(QWidget* parent = nullptr);

    QString tempoText;  // empty at construction; the command fills it before DoModal

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
