#include "text_transcript.h"

#include "violation_kind.h"

#include <cstdio>

namespace {

std::string deskLabel(int deskNumber) {
    return deskNumber > 0 ? "desk " + std::to_string(deskNumber) : "host";
}

constexpr std::size_t commandColumn = 44;

// text on one line: newlines and other control characters as C-style escapes, and quotes and
// backslashes too when quoted.
std::string escaped(const std::string& raw, bool quoted) {
    std::string text;
    for (const char c : raw) {
        if (quoted && (c == '"' || c == '\\')) {
            text += '\\';
            text += c;
        } else if (c == '\n') {
            text += "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned char>(c));
            text += code;
        } else {
            text += c;
        }
    }
    return text;
}

const char* legend =
    R"(How to read it: "[time] desk N: ..." is what the operator did. The indented lines below it
are the commands the panel sent, each with the host's reply after "->" and what the host did
after "|". "<-" lines are what the host delivered to the panel afterwards: router revertives
(reports of the source a destination now carries) and timer ticks. "=" lines show the desk and
the routers at rest ("102<-5": destination 102 carries source 5). "!!" marks a broken rule.
)";

} // namespace

std::string text_transcript::timeText(std::int64_t milliseconds) {
    char text[40];
    std::snprintf(text, sizeof text, "[%lld.%03llds]", static_cast<long long>(milliseconds / 1000),
                  static_cast<long long>(milliseconds % 1000));
    return text;
}

std::string text_transcript::replyText(const std::optional<std::string>& reply) {
    return reply ? "\"" + escaped(*reply, true) + "\"" : std::string("null");
}

std::string text_transcript::expectationText(const transcript_entry& entry) {
    return "expect " + entry.text + ": " + (entry.passed ? "ok" : "FAILED") +
           (!entry.passed && !entry.detail.empty() ? ", " + entry.detail : std::string());
}

void text_transcript::write(const transcript_entry& entry) {
    if (!legendWritten && entry.kind != entry_kind::banner && entry.kind != entry_kind::comment) {
        out << '\n' << legend;
        legendWritten = true;
        lastKind = entry_kind::banner;
    }
    switch (entry.kind) {
    case entry_kind::banner:
        out << entry.text << '\n';
        break;
    case entry_kind::summary:
        out << '\n' << entry.text << '\n';
        break;
    case entry_kind::comment:
        out << (entry.continues ? "" : "\n") << "# " << entry.text << '\n';
        break;
    case entry_kind::action:
        out << (lastKind == entry_kind::comment ? "" : "\n") << timeText(entry.time) << ' '
            << (entry.deskNumber > 0 ? deskLabel(entry.deskNumber) + ": " : std::string())
            << entry.text << '\n';
        break;
    case entry_kind::delivery:
        out << timeText(entry.time) << ' ' << deskLabel(entry.deskNumber) << " <- " << entry.text
            << '\n';
        break;
    case entry_kind::command: {
        std::string line = "    " + entry.text;
        if (line.size() < commandColumn) {
            line.resize(commandColumn, ' ');
        }
        line += " -> " + replyText(entry.reply);
        if (entry.handedBack) {
            line += ", handed back";
        }
        if (!entry.effect.empty()) {
            line += "   | " + entry.effect;
        }
        out << line << '\n';
        break;
    }
    case entry_kind::violation: {
        out << "    !! " << entry.id << ": " << entry.detail;
        if (!entry.cause.empty()) {
            out << " [cause: " << entry.cause << "]";
        }
        out << '\n';
        const std::optional<violation_kind> kind = violationFromId(entry.id);
        if (kind) {
            out << "       (" << violationDescription(*kind) << ")\n";
        }
        break;
    }
    case entry_kind::view:
        out << "    = " << entry.text << '\n';
        break;
    case entry_kind::expectation:
        out << "    " << expectationText(entry) << '\n';
        break;
    case entry_kind::note:
        out << "    note: " << entry.text << '\n';
        break;
    case entry_kind::debug:
        out << "    debug: " << escaped(entry.text, false) << '\n';
        break;
    case entry_kind::problem:
        out << "    !! cannot: " << entry.text << '\n';
        break;
    }
    lastKind = entry.kind;
    out.flush();
}
