#pragma once
// The user's profile: the QSettings of organisation "Tabulon", application "Tabulon"
// (~/.config/Tabulon/Tabulon.conf on Linux), which hold the recent-file list and the
// application's own entries (CWinApp::GetProfileString).

#include <QSettings>

namespace framework {

inline QSettings UserProfile() {
    return QSettings(QStringLiteral("Tabulon"), QStringLiteral("Tabulon"));
}

}  // namespace framework
