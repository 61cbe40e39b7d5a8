#include "Misc/LogStream.h"

std::ofstream LogStream;

bool OpenLogStream(const std::string& path) {
    CloseLogStream();
    // A failed write or open leaves error bits behind; a fresh open starts from a clean state.
    LogStream.clear();
    if (path.empty()) return false;
    LogStream.open(path, std::ios::out | std::ios::trunc);
    if (!LogStream.is_open()) return false;
    LogStream.clear();
    return true;
}

bool CloseLogStream() {
    if (!LogStream.is_open()) return true;
    // The state was cleared at the open, so any error bit now comes from a write to the file,
    // or from the final flush.
    LogStream.close();
    return !LogStream.fail();
}
