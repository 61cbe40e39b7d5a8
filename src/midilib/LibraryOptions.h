#pragma once
// Options of our MIDI library that the MIDI library interface has no place for. Every function is
// thread-safe; options take effect at the next open.
//  - SetSynthWavFile: the built-in synth records what it plays into this WAV file (44.1 kHz,
//    stereo, 16-bit), rendering in real time on its own thread instead of an audio driver.
//    An empty path switches recording off.
//  - SetSynthAudioDriver: the FluidSynth audio driver ("alsa", "pulseaudio", ...; "" = FluidSynth's
//    default) and, for "alsa", the ALSA device (e.g. "null" on a machine without a sound card).
//  - SetClockRealtime: whether clock threads ask for SCHED_FIFO and a 1 ns timer slack (default
//  on).
//  - SetSubstituteOutputDevices: replaces the device list with these devices, each a description
//    and a function that opens it (null: it fails to open); an empty list restores the real
//    devices. Tests and benchmarks put their devices here (midilib/testing/TestOutputDevices.h).
//  - GetMidiOutLateness: how late an output handed its events to its device against their
//    scheduled times; ResetMidiOutLateness clears it.
//  - MidiOutDeviceFailed: whether an output's device has failed for good (its events are being
//    dropped since); false for an unknown handle. Opening the device again gives a fresh one.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midilib/OutputDevice.h"
#include "midilib/OutputLatenessStats.h"

namespace midilib {

void SetSynthWavFile(const std::string& path);
void SetSynthAudioDriver(const std::string& driver, const std::string& alsaDevice = "");
void SetClockRealtime(bool enabled);

// A device that takes the place of the discovered ones. `open` is called without any lock of the
// library's held and may take a while.
struct SubstituteDevice {
    std::string description;
    std::function<std::unique_ptr<OutputDevice>()> open;
};
void SetSubstituteOutputDevices(std::vector<SubstituteDevice> devices);

LatenessSummary GetMidiOutLateness(uint32_t hMidiOut);
void ResetMidiOutLateness(uint32_t hMidiOut);
bool MidiOutDeviceFailed(uint32_t hMidiOut);

// The options as the library reads them.
struct LibraryOptionValues {
    std::string synthWavFile;
    std::string synthAudioDriver;
    std::string synthAlsaDevice;
    bool clockRealtime = true;
    std::vector<SubstituteDevice> substituteDevices;
    uint64_t deviceListRevision = 0;  // grows with every SetSubstituteOutputDevices
};
LibraryOptionValues CurrentLibraryOptions();

}  // namespace midilib
