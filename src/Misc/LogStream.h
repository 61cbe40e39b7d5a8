#pragma once
// LogStream: the one text log of the program. Every log writer writes its lines to this stream;
// there is no second log. It is closed at program start and closed (flushing what it buffers) at
// program exit. While it is closed whatever is written is lost, harmlessly: the writers never test
// whether it is open.
//
// Opening goes through OpenLogStream, which empties or creates the file and clears the stream's
// error state, so lines written after a successful open reach the file even when earlier writes
// failed while the stream was closed. Lines end in "\n".

#include <fstream>
#include <string>

extern std::ofstream LogStream;

// Closes the stream if it is open, then opens `path` for writing as a text file, discarding any
// earlier content. True when the stream is open afterwards; on failure it stays closed.
bool OpenLogStream(const std::string& path);

// Closes the stream, writing out what it buffers; nothing happens when it is already closed.
// False when the stream was open and a write since it was opened failed (a full disk, a file-size
// limit), so that the file lacks lines: the caller tells the user. What was written before the
// failure stays in the file.
bool CloseLogStream();
