#pragma once
// Chord sheets of many files: the inputs (files, and folders searched for MIDI files), and a run
// of one job per file over worker processes.
//
// ExpandInputs: a file stays as given; a folder gives every *.mid, *.midi, *.kar and *.rmi below
// it (any case), sorted by path. An input that does not exist is a problem, reported back.
//
// RunBatch runs `job` once per file and writes each file's output to `out` in the order of the
// files, its error (if any) to `err`. With jobs > 1 the jobs run in that many forked worker
// processes: the analysis uses process-wide state (the settings, the sounding notes, the
// timeline), which each worker has for itself. A worker takes the next file when it is done with
// one, so long files do not hold up the others, and sends its results a few at a time. A file
// whose job fails is reported and counted, and the run goes on; a worker that dies (a crash)
// fails the file it was working on and is replaced, and the files it had done but not yet sent
// are done again. With `progress`, a bar on `err` shows how many files are done.

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

struct FileResult {
    bool ok = false;
    std::string output;
    std::string error;  // one line or more, each ending in "\n"
};

using FileJob = std::function<FileResult(const std::string& path)>;

struct BatchSummary {
    std::size_t files = 0;
    std::size_t failed = 0;
};

std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs,
                                      std::vector<std::string>& problems);

BatchSummary RunBatch(const std::vector<std::string>& files, int jobs, const FileJob& job,
                      std::ostream& out, std::ostream& err, bool progress);

// The number of processors this process may run on (at least 1).
int AvailableCores();
