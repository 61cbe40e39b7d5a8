#pragma once
// PendingPost: one notification that the clock thread owes a receiver: `count` messages of one
// kind and generation (several beats after a stall travel as one post). A wake of the clock
// records what is due in the clock and its outputs (Clock::Tick), collects it into a fixed array
// under the library's lock (Clock::TakePosts) and hands it to the receivers only after the lock
// is released (Deliver), so that the real-time thread never waits on, or allocates for, anything
// of the receivers' while the owner's thread waits for the library.

#include <cstdint>
#include <span>

#include "midi/MidiLib.h"

namespace midilib {

struct PendingPost {
    MidiNotifier* notifier = nullptr;
    uint32_t message = 0;
    uint32_t generation = 0;
    uint32_t count = 0;
};

// Room for the posts of one wake: the clock's beat and done, and the output-ready of its outputs.
// Outputs beyond the room keep their post due for the next wake.
constexpr size_t kMaxPostsPerWake = 16;

inline void Deliver(std::span<const PendingPost> posts) {
    for (const PendingPost& post : posts)
        post.notifier->PostMidiMessage(post.message, post.generation, post.count);
}

}  // namespace midilib
