#include "settings/LogFile.h"

#include "Misc/LogStream.h"
#include "framework/MessageBox.h"
#include "settings/SettingsText.h"
#include "settings/UserSettings.h"

void OpenLogFile() {
    if (OpenLogStream(UserSettings.logFileName)) return;
    MessageBox(nullptr,
               QStringLiteral("Open failed on LOGFILE: ") + DisplayText(UserSettings.logFileName),
               QStringLiteral("Open Failed!"), MB_ICONWARNING | MB_OK);
}
