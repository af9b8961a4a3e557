// recording_host: a host for tests. It records every command text the panel sends, answers from
// per-test reply rules, allocates every reply itself and checks every code-5 hand-back.
//
// Reply rules, consulted in this order: an exact-text rule, then the longest matching prefix rule,
// then the default (null unless set). A rule's reply may be null (std::nullopt).
//
// Ownership checks: each non-null reply is a fresh allocation that stays alive until the host is
// destroyed, so a wrong hand-back never crashes the test. A hand-back must be a reply that comes
// back by zeth_reply_rules.h and has not come back yet, or null after a null reply that comes back
// as null. When a
// reply comes back its text is overwritten, so a panel that reads a reply after handing it back
// reads garbage and fails its test. violations() lists every breach in words; replies of "TG",
// "SD" and "RN" still out count as "not handed back".
#pragma once

#include "zeth_client_callback.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class recording_host : public zeth_client_callback {
public:
    using reply = std::optional<std::string>;

    recording_host() = default;
    ~recording_host() override;

    void* notify(void* data, int code) override;

    void replyExact(const std::string& command, reply answer);
    void replyPrefix(const std::string& prefix, reply answer);
    void replyDefault(reply answer);

    // Every command text received with code 0, in order.
    const std::vector<std::string>& commands() const { return received; }
    // The commands received since the last call of forgetCommands().
    std::vector<std::string> commandsSinceMark() const;
    void forgetCommands() { mark = received.size(); }

    // Breaches of the reply-ownership rules so far, plus replies still owed back.
    std::vector<std::string> violations() const;
    int handBacks() const { return handBackCount; }
    int nullHandBacks() const { return nullHandBackCount; }
    // Codes other than 0 and 5 that reached the host.
    const std::vector<int>& unexpectedCodes() const { return otherCodes; }

private:
    struct issuedReply {
        std::string command;
        std::unique_ptr<char[]> text;
        bool returnable = false;
        bool handedBack = false;
    };

    void* answer(const std::string& command);
    void takeBack(void* data);

    std::map<std::string, reply> exactRules;
    std::map<std::string, reply> prefixRules;
    reply defaultReply;

    std::vector<std::string> received;
    std::size_t mark = 0;
    std::vector<std::unique_ptr<issuedReply>> issued;
    int nullHandBacksAllowed = 0;
    int handBackCount = 0;
    int nullHandBackCount = 0;
    std::vector<std::string> breaches;
    std::vector<int> otherCodes;
};
