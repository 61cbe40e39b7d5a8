#pragma once
// Options of our MIDI library that the MIDI library interface has no place for, and the hooks that
// tests and benchmarks use. Every function is thread-safe; options take effect at the next open.
//  - SetSynthWavFile: the built-in synth records what it plays into this WAV file (44.1 kHz,
//    stereo, 16-bit), rendering in real time on its own thread instead of an audio driver.
//    An empty path switches recording off.
//  - SetSynthAudioDriver: the FluidSynth audio driver ("alsa", "pulseaudio", ...; "" = FluidSynth's
//    default) and, for "alsa", the ALSA device (e.g. "null" on a machine without a sound card).
//  - SetClockRealtime: whether clock threads ask for SCHED_FIFO and a 1 ns timer slack (default
//  on).
//  - SetTestOutputDevices: replaces the device list with test devices (an empty list restores the
//    real devices); see TestDeviceSpec.
//  - GetMidiOutLateness: how late an output handed its events to its device against their
//    scheduled times; ResetMidiOutLateness clears it.
//  - MidiOutDeviceFailed: whether an output's device has failed for good (its events are being
//    dropped since); false for an unknown handle. Opening the device again gives a fresh one.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midilib/OutputLatenessStats.h"

namespace midilib {

void SetSynthWavFile(const std::string& path);
void SetSynthAudioDriver(const std::string& driver, const std::string& alsaDevice = "");
void SetClockRealtime(bool enabled);

// What a test device received, with the steady-clock time of each message. Shared between the
// test and the device, so it outlives the device. `refuse` makes the device answer "busy".
struct TestDeviceProbe {
    struct Message {
        std::vector<uint8_t> bytes;
        std::chrono::steady_clock::time_point time;
    };
    std::vector<Message> Messages() const {
        std::lock_guard lock(mutex);
        return messages;
    }
    std::atomic<bool> refuse{false};
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    mutable std::mutex mutex;
    std::vector<Message> messages;
};

struct TestDeviceSpec {
    std::string description;
    bool failsToOpen = false;
    // Answers "busy" to every message for this long after it was opened.
    std::chrono::milliseconds refuseFor{0};
    // Fails for good after sending this many messages (negative: never).
    int failAfter = -1;
    std::shared_ptr<TestDeviceProbe> probe;  // may be null
};

void SetTestOutputDevices(std::vector<TestDeviceSpec> devices);

LatenessSummary GetMidiOutLateness(uint32_t hMidiOut);
void ResetMidiOutLateness(uint32_t hMidiOut);
bool MidiOutDeviceFailed(uint32_t hMidiOut);

// The options as the library reads them.
struct LibraryOptionValues {
    std::string synthWavFile;
    std::string synthAudioDriver;
    std::string synthAlsaDevice;
    bool clockRealtime = true;
    std::vector<TestDeviceSpec> testDevices;
    uint64_t deviceListRevision = 0;  // grows with every SetTestOutputDevices
};
LibraryOptionValues CurrentLibraryOptions();

}  // namespace midilib
