// json_transcript: writes a transcript for tools, one JSON object per line (JSON Lines).
//
// Every object has "kind" (banner, action, delivery, command, violation, view, expectation,
// note, problem, comment, summary), "time_ms" and "desk" (0 when not about one desk), and by kind:
//   command:     "text", "reply" (a string or null), "handed_back", "effect"
//   violation:   "id", "description", "detail", "cause"
//   expectation: "text", "passed", "detail"
//   others:      "text"
#pragma once

#include "transcript.h"

#include <ostream>

// The "kind" an entry is written with.
const char* kindName(entry_kind kind);

class json_transcript : public transcript_writer {
public:
    explicit json_transcript(std::ostream& stream) : out(stream) {}
    void write(const transcript_entry& entry) override;

private:
    std::ostream& out;
};
