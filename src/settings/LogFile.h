#pragma once
// OpenLogFile: opens the one log stream on UserSettings.logFileName, exactly as typed, creating
// the file or discarding its earlier content, with the stream's error state cleared. When the
// stream is not open afterwards the user is told in a warning box captioned "Open Failed!",
// owned by no window, with the text "Open failed on LOGFILE: " and the full name; the program
// goes on with the log closed.

#include <string>

namespace settings {

void OpenLogFile();

// Closes the log stream; when lines could not be written to `fileName` (a full disk), the user is
// told in a warning box captioned "Log Incomplete".
void CloseLogFile(const std::string& fileName);

}  // namespace settings
