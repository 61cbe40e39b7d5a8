#include "midilib/OutputRecordDecoder.h"

#include "midilib/EventEncoding.h"

namespace midilib {

OutputRecordDecoder::OutputRecordDecoder() {
    // The three buffers trade places as messages complete; each can hold the longest message.
    sysex_.reserve(kMaxMessageBytes);
    escape_.reserve(kMaxMessageBytes);
    complete_.reserve(kMaxMessageBytes);
}

OutputRecordDecoder::Result OutputRecordDecoder::Decode(const MidiEvent& record) {
    if (IsChannelMessage(record)) {
        channelMessage_[0] = record.status;
        channelMessage_[1] = record.data1 & 0x7F;
        channelMessage_[2] = record.data2 & 0x7F;
        return {
            std::span<const uint8_t>(channelMessage_, size_t(ChannelMessageLength(record.status))),
            0};
    }
    switch (record.status) {
        case kSysexStatus:
            return DecodeSysex(record);
        case kEscapeStatus:
            return DecodeEscape(record);
        case kTempoStatus:
            return {{}, TempoOf(record)};
        default:
            return {};
    }
}

OutputRecordDecoder::Result OutputRecordDecoder::DecodeSysex(const MidiEvent& record) {
    const uint8_t byte = record.data1;
    if (byte == midi::kSysexBegin) {  // a new message; one left open before it is dropped
        sysex_.assign(1, midi::kSysexBegin);
        inSysex_ = true;
        sysexOverflow_ = false;
        return {};
    }
    if (!inSysex_) return {};
    if (byte == midi::kSysexEnd) {
        inSysex_ = false;
        if (sysexOverflow_) return {};
        sysex_.push_back(midi::kSysexEnd);
        complete_.swap(sysex_);
        sysex_.clear();
        return {complete_, 0};
    }
    if (byte >= 0x80) return {};  // not a data byte: never part of the message
    if (sysex_.size() + 1 >= kMaxMessageBytes) {
        sysexOverflow_ = true;
        sysex_.clear();
        return {};
    }
    if (!sysexOverflow_) sysex_.push_back(byte);
    return {};
}

OutputRecordDecoder::Result OutputRecordDecoder::DecodeEscape(const MidiEvent& record) {
    if (!escapeOverflow_) {
        if (escape_.size() >= kMaxMessageBytes) {
            escapeOverflow_ = true;
            escape_.clear();
        } else {
            escape_.push_back(record.data1);
        }
    }
    if (record.data2 != 1) return {};
    const bool dropped = escapeOverflow_;
    escapeOverflow_ = false;
    complete_.swap(escape_);
    escape_.clear();
    if (dropped || complete_.empty()) return {};
    return {complete_, 0};
}

void OutputRecordDecoder::Clear() {
    sysex_.clear();
    inSysex_ = false;
    sysexOverflow_ = false;
    escape_.clear();
    escapeOverflow_ = false;
}

}  // namespace midilib
