#pragma once
// SynthRenderThread: pulls audio from a synth in real time on a thread of its own, for a synth
// that has no audio driver (recording into a WAV file, or no sound card). It wakes at absolute
// deadlines and renders exactly the number of frames due since it started, so the audio it
// produces is as long as the time it ran, however late single wakes are. The samples go into the
// WAV writer when there is one, else nowhere.

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <thread>

#include "midilib/WavWriter.h"

namespace midilib {

class SynthRenderThread {
  public:
    static constexpr uint32_t kSampleRate = 44100;
    static constexpr int64_t kPeriodNs = 5'000'000;

    // Fills `stereo` (interleaved 16-bit frames, left first) with the next frames of the synth.
    using Source = std::function<void(std::span<int16_t> stereo)>;

    // `wav` may be null; it and what `source` renders from must outlive the thread.
    SynthRenderThread(Source source, WavWriter* wav);
    ~SynthRenderThread();  // Stop
    SynthRenderThread(const SynthRenderThread&) = delete;
    SynthRenderThread& operator=(const SynthRenderThread&) = delete;

    // Renders up to the moment of the call, then ends the thread.
    void Stop();

    static uint64_t FramesDue(int64_t elapsedNs);

  private:
    void Run();
    void RenderUpTo(int64_t timeNs);

    Source source_;
    WavWriter* wav_;
    int64_t startNs_;
    uint64_t framesRendered_ = 0;
    std::atomic<int64_t> stopNs_{0};
    std::thread thread_;
};

}  // namespace midilib
