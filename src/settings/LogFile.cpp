#include "settings/LogFile.h"

#include "Misc/LogStream.h"
#include "framework/MessageBox.h"
#include "settings/SettingsText.h"
#include "settings/UserSettings.h"

namespace settings {

void OpenLogFile() {
    if (OpenLogStream(UserSettings.logFileName)) return;
    MessageBox(nullptr,
               QStringLiteral("Open failed on LOGFILE: ") + DisplayText(UserSettings.logFileName),
               QStringLiteral("Open Failed!"), MB_ICONWARNING | MB_OK);
}

void CloseLogFile(const std::string& fileName) {
    if (CloseLogStream()) return;
    MessageBox(nullptr,
               QStringLiteral("Writing the log file failed (is the disk full?); it lacks the "
                              "latest lines: ") +
                   DisplayText(fileName),
               QStringLiteral("Log Incomplete"), MB_ICONWARNING | MB_OK);
}

}  // namespace settings
