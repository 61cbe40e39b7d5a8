#pragma once
// CAboutDlg: the About box (dialog 100) with the application icon, the program's name and the
// MIDI library's version in control 1003, exchanged as `versionLabel` (at most 40 characters).

#include <QString>
#include <cstdint>

#include "framework/CDialog.h"

class CAboutDlg : public CDialog {
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QString versionLabel;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

// "MIDI Library V<major>.<minor>" with the minor version in at least two digits: 0x0105 gives
// "MIDI Library V1.05", a minor byte of 123 gives "V<major>.123".
QString FormatLibraryVersion(uint16_t libraryVersion);
