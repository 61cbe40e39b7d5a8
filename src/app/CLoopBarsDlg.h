#pragma once
// CLoopBarsDlg: the "Loop Bars" dialog: the first and the last bar of the loop, as bar numbers
// of the song (from 1). OK takes whole numbers from 1 to lastBar, with the standard message for
// others, and refuses a last bar before the first one ("The loop cannot end before it starts.");
// the dialog then stays open with the field in question selected.

#include "framework/CDialog.h"

class CLoopBarsDlg : public CDialog {
  public:
    explicit CLoopBarsDlg(int lastBar, QWidget* parent = nullptr);

    int fromBar = 1;
    int toBar = 1;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;

  private:
    int lastBar;
};
