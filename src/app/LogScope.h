#pragma once
// LogScope: the log stream for the length of one run of the program. However the run ends (its
// exit status handed to Finish, or the scope left by an exception), the stream is closed once; a
// log that lost lines since it was opened (a write failed: a full disk, a file-size limit) is
// reported on standard error, and a successful exit status becomes a failure, since the log the
// user asked for is not complete.

#include <iostream>

#include "Misc/LogStream.h"
#include "app/CommandLine.h"
#include "settings/UserSettings.h"

class LogScope {
  public:
    LogScope() = default;
    ~LogScope() { Finish(kExitFailed); }
    LogScope(const LogScope&) = delete;
    LogScope& operator=(const LogScope&) = delete;

    // Closes and checks the log (only the first call does); returns the exit status to use.
    int Finish(int exitCode) {
        if (finished_) return exitCode;
        finished_ = true;
        if (CloseLogStream()) return exitCode;
        std::cerr << "tabulon: writing the log file " << UserSettings.logFileName
                  << " failed (is the disk full?); it lacks the latest lines\n";
        return exitCode == kExitOk ? kExitFailed : exitCode;
    }

  private:
    bool finished_ = false;
};
