#include "app/CAboutDlg.h"

#include <cstdio>

#include "framework/DataExchange.h"
#include "res/MainFrameResources.h"
#include "res/Resource.h"

namespace {

constexpr int kVersionLabelMaxChars = 40;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : CDialog(AboutBoxTemplate(), parent) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_VERSION_LABEL, versionLabel);
    DDV_MaxChars(pDX, versionLabel, kVersionLabelMaxChars);
}

QString FormatLibraryVersion(uint16_t libraryVersion) {
    const int major = (libraryVersion >> 8) & 0xFF;
    const int minor = libraryVersion & 0xFF;
    // The precision gives the minor version at least two digits, zero-padded.
    char text[64];
    std::snprintf(text, sizeof text, "MIDI Library V%d.%.2d", major, minor);
    return QString::fromLatin1(text);
}
