#include "midilib/SynthRenderThread.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

namespace midilib {

namespace {
constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int kChunkFrames = 1024;

int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SleepUntil(int64_t deadlineNs) {
    timespec deadline{time_t(deadlineNs / kNsPerSecond), long(deadlineNs % kNsPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) != 0) {
    }
}
}  // namespace

SynthRenderThread::SynthRenderThread(Source source, WavWriter* wav)
    : source_(std::move(source)), wav_(wav), startNs_(MonotonicNs()) {
    thread_ = std::thread([this] { Run(); });
}

SynthRenderThread::~SynthRenderThread() {
    Stop();
}

void SynthRenderThread::Stop() {
    if (!thread_.joinable()) return;
    int64_t expected = 0;
    stopNs_.compare_exchange_strong(expected, MonotonicNs());
    thread_.join();
}

uint64_t SynthRenderThread::FramesDue(int64_t elapsedNs) {
    if (elapsedNs <= 0) return 0;
    const uint64_t seconds = uint64_t(elapsedNs / kNsPerSecond);
    const uint64_t rest = uint64_t(elapsedNs % kNsPerSecond);
    return seconds * kSampleRate + rest * kSampleRate / kNsPerSecond;
}

void SynthRenderThread::Run() {
    int64_t deadline = startNs_;
    for (;;) {
        deadline += kPeriodNs;
        SleepUntil(deadline);
        const int64_t stop = stopNs_.load();
        if (stop != 0) {
            RenderUpTo(stop);
            return;
        }
        const int64_t now = MonotonicNs();
        RenderUpTo(now);
        // After a long stall, continue on the grid from now instead of waking in a burst.
        if (deadline < now - kPeriodNs) deadline = now - (now - startNs_) % kPeriodNs;
    }
}

void SynthRenderThread::RenderUpTo(int64_t timeNs) {
    std::array<int16_t, 2 * kChunkFrames> buffer;
    uint64_t due = FramesDue(timeNs - startNs_);
    while (framesRendered_ < due) {
        const int frames = int(std::min<uint64_t>(due - framesRendered_, kChunkFrames));
        const std::span<int16_t> chunk(buffer.data(), size_t(frames) * 2);
        source_(chunk);
        if (wav_) wav_->Write(chunk);
        framesRendered_ += uint64_t(frames);
    }
}

}  // namespace midilib
