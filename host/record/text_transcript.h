// text_transcript: writes a transcript for people, one line per entry, to a stream.
//
//   # Take routes the package ...                    the scenario's narration
//   [0.000s] desk 1: click Take                       an action (a blank line before it)
//   [1.000s] desk 1 <- tick of timer 1                a delivery
//       RN 11 0 5                     -> "5,5", handed back   | what the host did
//       debug: textGet: value returned ...            a line the panel wrote as debug output
//       !! reply-not-handed-back: ... [cause: ...]    a contract violation, and on the next
//          (A reply to "TG", "SD" or "RN" was ...)    line the rule it broke
//       = desk 1 | ...                                the views after an action
//       expect ...: ok                                an expectation
//
// Replies are shown in double quotes with C-style escapes for quotes, backslashes and control
// characters, or as null; debug lines as written, with control characters escaped the same way.
// Every line is flushed, so a shell session shows it at once. The banner and the scenario's opening
// paragraph are followed by a short legend saying how to read the lines.
#pragma once

#include "transcript.h"

#include <ostream>

class text_transcript : public transcript_writer {
public:
    explicit text_transcript(std::ostream& stream) : out(stream) {}
    void write(const transcript_entry& entry) override;

    // "[12.345s]"
    static std::string timeText(std::int64_t milliseconds);
    // A reply as the transcript shows it: "text" with escapes, or null.
    static std::string replyText(const std::optional<std::string>& reply);
    // An expectation's line without its indent: "expect crosspoint 20 102 = 9: FAILED, it
    // carries 5".
    static std::string expectationText(const transcript_entry& entry);

private:
    std::ostream& out;
    bool legendWritten = false;
    entry_kind lastKind = entry_kind::banner;
};
