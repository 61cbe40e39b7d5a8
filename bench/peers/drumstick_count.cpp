// A peer for bench/compare_read.sh: drumstick's QSmf reads a Standard MIDI File, streaming its
// events through signals, and this program counts them. Built by the script with its own small
// command (Qt 5, drumstick-file), never by the project's CMake build.

#include <drumstick/qsmf.h>

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    drumstick::File::QSmf smf;
    long events = 0;
    bool failed = false;
    const auto count = [&events] { ++events; };
    using S = drumstick::File::QSmf;
    QObject::connect(&smf, &S::signalSMFNoteOn, count);
    QObject::connect(&smf, &S::signalSMFNoteOff, count);
    QObject::connect(&smf, &S::signalSMFKeyPress, count);
    QObject::connect(&smf, &S::signalSMFCtlChange, count);
    QObject::connect(&smf, &S::signalSMFPitchBend, count);
    QObject::connect(&smf, &S::signalSMFProgram, count);
    QObject::connect(&smf, &S::signalSMFChanPress, count);
    QObject::connect(&smf, &S::signalSMFSysex, count);
    QObject::connect(&smf, &S::signalSMFTempo, count);
    QObject::connect(&smf, &S::signalSMFError, [&failed] { failed = true; });
    smf.readFromFile(QString::fromLocal8Bit(argv[1]));
    std::printf("%ld events (drumstick QSmf)\n", events);
    return failed ? 1 : 0;
}
