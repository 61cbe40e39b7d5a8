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

void CloseLogStream() {
    if (LogStream.is_open()) LogStream.close();
}
