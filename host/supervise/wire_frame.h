// wire_frame: what the plug-in's process tells its supervisor, one frame at a time, over a pipe.
//
// The supervised process sends every transcript operation as it happens (held entries too, so
// that the supervisor can write them when the process dies in the middle of a call), each call
// into a panel as it begins and returns, the text it has for the user (errors, prompts) in order
// with the transcript, and finally its exit status. A frame is one kind byte, a 32-bit length
// and the payload; numbers are little-endian, texts are a 32-bit length and the bytes.
#pragma once

#include "transcript.h"

#include <cstdint>
#include <optional>
#include <string>

enum class frame_kind : std::uint8_t {
    added,        // entry
    held,         // -
    released,     // -
    handedBack,   // serial
    callBegins,   // deskNumber, text: what the call is
    callReturned, // -
    message,      // text for the user
    finished,     // status: the run is over, with this exit status
    result,       // text: what the body found, for the caller of runSupervised (its own form)
};

struct wire_frame {
    frame_kind kind = frame_kind::message;
    transcript_entry entry;
    std::uint64_t serial = 0;
    std::int32_t deskNumber = 0;
    std::int32_t status = 0;
    std::string text;
};

// The frame's bytes, ready to write.
std::string encodeFrame(const wire_frame& frame);

// Reassembles frames from the bytes read, which may split a frame anywhere.
class frame_reader {
public:
    void feed(const char* bytes, std::size_t count) { pending.append(bytes, count); }
    // The next whole frame, if one has arrived. A frame that cannot be read makes corrupt() true
    // and ends the stream.
    std::optional<wire_frame> next();
    bool corrupt() const { return broken; }

private:
    std::string pending;
    std::size_t start = 0;
    bool broken = false;
};
