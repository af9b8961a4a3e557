// contract_checker: the reply-ownership and lifetime rules between the host and one panel object,
// checked on every message, always.
//
// Every reply text the host gives a panel is allocated here and stays allocated until the
// checker is destroyed (after the panel was deleted), so that a wrong hand-back is reported,
// never a crash, and a pointer handed back twice is recognised (its memory cannot have been
// reused). A reply that comes back is overwritten with '?', so a panel that reads a reply after
// handing it back reads garbage and shows it.
//
// Cost: each message costs the same however long the run has been: a hand-back is one lookup by
// address, and the end of a call looks only at the replies issued during it.
//
// The rules: which replies come back with code 5 is zeth_reply_rules.h's to say; each comes back
// exactly once, before the panel returns from the host's call in which it received them; nothing
// follows the closing notice "AS"; deleting the panel brings "AS".
// The checker reports each breach as a violation naming the command that caused it; it never
// stops the run.
#pragma once

#include "violation_kind.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct violation {
    violation_kind kind = violation_kind::malformedCommand;
    std::string detail; // what happened, in words
    std::string cause;  // the command or action that caused it
};

class contract_checker {
public:
    // A command arrives: a violation when the panel already sent "AS".
    std::optional<violation> commandArrives(const std::string& commandText) const;
    void closingNoticeArrives() { closed = true; }
    bool closedByPanel() const { return closed; }

    // Allocates the reply to a command and remembers it. tag is the caller's mark for the
    // command (it comes back from handBack); the reply lives until the checker is destroyed.
    char* issueReply(const std::string& commandName, const std::string& commandText,
                     const std::string& reply, std::uint64_t tag);
    // A null reply was given; after "RN" it must come back as null.
    void issueNullReply(const std::string& commandName, const std::string& commandText,
                        std::uint64_t tag);

    struct hand_back {
        std::optional<violation> breach;
        std::uint64_t tag = 0; // the command whose reply came back (0: none)
    };
    // Code 5 arrived with data.
    hand_back handBack(const void* data);

    // The host's call into the panel has returned: every reply that was to come back and has not
    // is a violation (reported once).
    std::vector<violation> callReturned();
    // The panel has been deleted: a violation when it sent no "AS".
    std::optional<violation> panelDeleted() const;

private:
    struct issued_reply {
        std::unique_ptr<char[]> text;
        std::size_t length = 0;
        std::string command;
        bool returnable = false;
        bool handedBack = false;
        std::uint64_t tag = 0;
    };
    struct null_reply {
        std::string command;
        std::uint64_t tag = 0;
    };

    std::vector<std::unique_ptr<issued_reply>> issued;
    std::unordered_map<const void*, issued_reply*> byAddress;
    // The returnable replies issued since the last callReturned(), handed back or not.
    std::vector<const issued_reply*> owedThisCall;
    std::vector<null_reply> nullRepliesOwed;
    bool closed = false;
};
