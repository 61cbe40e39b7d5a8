#pragma once
// SettingsActions: what the settings commands of the main frame do, on the clock they are given.
// Each runs its modal dialog (created on the stack, destroyed on return) and stores the result:
//  - RunSetTempo: shows the tempo heard now (the song's tempo in force at the speed in force) in
//    beats per minute ("120.000"); on OK makes the tempo heard now the one typed, by setting the
//    speed, so that the song's later tempo changes keep their ratios to it (the leading decimal
//    number of the text; 0, no number, negative or not finite: 120 BPM).
//  - RunSetResolution: shows the clock's resolution; on OK sets it (the dialog accepts 1..9999).
//  - RunMonitorChannels: on OK copies the 16 channel values into monitoredChannels.
//  - RunMonitorTracks / RunMuteTracks: the dialog writes its flags itself.
//  - RunTranspose: on OK copies the amount into transposeAmount.
//  - RunLogging: on OK stores the file name and the five flags, closes the log, and opens it again
//    (OpenLogFile) when logging is enabled; Cancel changes nothing.
// Each returns the dialog's result.

class CMidiSync;

namespace settings {

int RunSetTempo(CMidiSync& clock);
int RunSetResolution(CMidiSync& clock);
int RunMonitorChannels();
int RunMonitorTracks();
int RunMuteTracks();
int RunTranspose();
int RunLogging();

}  // namespace settings
