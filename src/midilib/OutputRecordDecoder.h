#pragma once
// OutputRecordDecoder: turns the records queued on an output back into what a device plays.
//  - a channel record (status 0x80-0xEF) gives its 2- or 3-byte message;
//  - system-exclusive records are gathered from the 0xF0 record to the 0xF7 record, which gives
//    the whole message; a message longer than kMaxMessageBytes is dropped as a whole;
//  - escape records are gathered up to the record marked last (data2 1), which gives the packet;
//  - a tempo record gives its tempo (microseconds per beat; a tempo of 0 gives nothing);
//  - records with a status below 0x80 and anything out of place give nothing.
// The returned message stays valid until the next call of Decode or Clear. The gathering buffers
// are taken at construction: decoding never allocates.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "midi/MidiEvent.h"

namespace midilib {

class OutputRecordDecoder {
  public:
    static constexpr size_t kMaxMessageBytes = 64 * 1024;

    struct Result {
        std::span<const uint8_t> message;  // empty: nothing to send
        uint32_t tempo = 0;                // non-zero: a tempo change
    };

    OutputRecordDecoder();

    Result Decode(const MidiEvent& record);
    // Forgets a message being gathered (after a reset of the output).
    void Clear();

  private:
    Result DecodeSysex(const MidiEvent& record);
    Result DecodeEscape(const MidiEvent& record);

    uint8_t channelMessage_[3] = {};
    std::vector<uint8_t> sysex_;
    bool inSysex_ = false;
    bool sysexOverflow_ = false;
    std::vector<uint8_t> escape_;
    bool escapeOverflow_ = false;
    std::vector<uint8_t> complete_;
};

}  // namespace midilib
