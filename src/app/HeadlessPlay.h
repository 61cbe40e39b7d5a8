#pragma once
// The headless mode: the window application run without showing its window, playing its file
// once to the end and exiting.
//
// PrepareHeadless, before the QApplication exists: the offscreen platform, and standard error
// kept for the program's own messages.
//
// WireHeadlessPlay, once the application has started: checks that the file was read and the
// clock opened (saying why not on standard error and giving the exit status: 2 for a file that
// cannot be read or a --from bar past its end, 1 for a clock that cannot be opened), applies the
// command line's playback settings (timer period, speed, the bars to play, the count-in), makes the end of the play end the program (status 1 when the output device failed
// during it; with --stats the lateness is printed first) and queues the toolbar's Play, as a
// click on it would run.

#include <optional>

#include "app/StartupOptions.h"

class CMainFrame;

void PrepareHeadless();
std::optional<int> WireHeadlessPlay(CMainFrame* frame, const StartupOptions& options);
