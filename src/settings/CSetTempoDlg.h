#pragma once
// CSetTempoDlg: the "Set Tempo" dialog. One text, exchanged with edit field IDC_TEMPO: shown in
// full when the dialog opens, after which the field takes at most 8 typed characters; OK with a
// longer text is refused with the standard "no more than 8 characters" warning and the dialog
// stays open. The command converts the text with BeatsPerMinute(), where 0 (also a text without
// digits) stands for 120 beats per minute. Any other number must lie within 1 .. 60,000,000 beats
// per minute, the tempos of 60 s down to 1 us per beat that the clock can hold; outside (a
// negative number, 0.5, 99999999, 1e999) OK is refused with "Please enter a number between 1 and
// 60000000." and the dialog stays open, so that no tempo is silently replaced by another.

#include <QString>

#include "framework/CDialog.h"

class CSetTempoDlg : public CDialog {
  public:
    static constexpr int kMaxChars = 8;
    static constexpr double kMinBeatsPerMinute = 1.0;
    static constexpr double kMaxBeatsPerMinute = 60000000.0;

    explicit CSetTempoDlg(QWidget* parent = nullptr);

    // The leading decimal number of tempoText (the atof rule); 0 when the text has no digit at all,
    // which also keeps "inf" and "nan" out.
    double BeatsPerMinute() const;

    QString tempoText;  // empty at construction; the command fills it before DoModal

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
