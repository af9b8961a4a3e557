#include "json_transcript.h"

#include "violation_kind.h"

#include <nlohmann/json.hpp>

const char* kindName(entry_kind kind) {
    switch (kind) {
    case entry_kind::banner:
        return "banner";
    case entry_kind::action:
        return "action";
    case entry_kind::delivery:
        return "delivery";
    case entry_kind::command:
        return "command";
    case entry_kind::violation:
        return "violation";
    case entry_kind::view:
        return "view";
    case entry_kind::expectation:
        return "expectation";
    case entry_kind::note:
        return "note";
    case entry_kind::summary:
        return "summary";
    case entry_kind::problem:
        return "problem";
    case entry_kind::comment:
        return "comment";
    case entry_kind::debug:
        return "debug";
    }
    return "note";
}

void json_transcript::write(const transcript_entry& entry) {
    nlohmann::ordered_json line;
    line["kind"] = kindName(entry.kind);
    line["time_ms"] = entry.time;
    line["desk"] = entry.deskNumber;
    switch (entry.kind) {
    case entry_kind::command:
        line["text"] = entry.text;
        line["reply"] = entry.reply ? nlohmann::ordered_json(*entry.reply) : nullptr;
        line["handed_back"] = entry.handedBack;
        line["effect"] = entry.effect;
        break;
    case entry_kind::violation: {
        line["id"] = entry.id;
        const std::optional<violation_kind> kind = violationFromId(entry.id);
        line["description"] = kind ? std::string(violationDescription(*kind)) : std::string();
        line["detail"] = entry.detail;
        line["cause"] = entry.cause;
        break;
    }
    case entry_kind::expectation:
        line["text"] = entry.text;
        line["passed"] = entry.passed;
        line["detail"] = entry.detail;
        break;
    default:
        line["text"] = entry.text;
        break;
    }
    // Replacement keeps a reply with bytes that are not UTF-8 writable instead of throwing.
    out << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    out.flush();
}
