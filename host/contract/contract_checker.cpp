#include "contract_checker.h"

#include "zeth_reply_rules.h"

#include <cstring>

std::optional<violation> contract_checker::commandArrives(const std::string& commandText) const {
    if (!closed) {
        return std::nullopt;
    }
    return violation{violation_kind::commandAfterClosing,
                     "\"" + commandText + "\" came after \"AS\"; the host ignored it", commandText};
}

char* contract_checker::issueReply(const std::string& commandName, const std::string& commandText,
                                   const std::string& reply, std::uint64_t tag) {
    auto entry = std::make_unique<issued_reply>();
    entry->length = reply.size();
    entry->text = std::make_unique<char[]>(reply.size() + 1);
    std::memcpy(entry->text.get(), reply.c_str(), reply.size() + 1);
    entry->command = commandText;
    entry->returnable = zethReplyComesBack(commandName);
    entry->tag = tag;
    char* address = entry->text.get();
    byAddress[address] = entry.get();
    if (entry->returnable) {
        owedThisCall.push_back(entry.get());
    }
    issued.push_back(std::move(entry));
    return address;
}

void contract_checker::issueNullReply(const std::string& commandName,
                                      const std::string& commandText, std::uint64_t tag) {
    if (zethNullReplyComesBack(commandName)) {
        nullRepliesOwed.push_back({commandText, tag});
    }
}

contract_checker::hand_back contract_checker::handBack(const void* data) {
    hand_back result;
    if (data == nullptr) {
        if (nullRepliesOwed.empty()) {
            result.breach = violation{violation_kind::unmatchedNullHandBack,
                                      "null came back with code 5, but no null \"RN\" reply was "
                                      "owed",
                                      "notify(null, 5)"};
            return result;
        }
        result.tag = nullRepliesOwed.front().tag;
        nullRepliesOwed.erase(nullRepliesOwed.begin());
        return result;
    }
    const auto found = byAddress.find(data);
    if (found == byAddress.end()) {
        result.breach = violation{violation_kind::foreignHandBack,
                                  "code 5 brought a pointer that is no reply of this host",
                                  "notify(pointer, 5)"};
        return result;
    }
    issued_reply& reply = *found->second;
    result.tag = reply.tag;
    if (!reply.returnable) {
        result.breach =
            violation{violation_kind::keptReplyHandedBack,
                      "the reply to \"" + reply.command + "\" came back, but it stays the host's",
                      reply.command};
        return result;
    }
    if (reply.handedBack) {
        result.breach = violation{violation_kind::doubleHandBack,
                                  "the reply to \"" + reply.command + "\" came back a second time",
                                  reply.command};
        return result;
    }
    reply.handedBack = true;
    std::memset(reply.text.get(), '?', reply.length);
    return result;
}

std::vector<violation> contract_checker::callReturned() {
    std::vector<violation> found;
    for (const issued_reply* reply : owedThisCall) {
        if (!reply->handedBack) {
            found.push_back({violation_kind::replyNotHandedBack,
                             "the reply to \"" + reply->command + "\" never came back",
                             reply->command});
        }
    }
    owedThisCall.clear();
    for (const null_reply& owed : nullRepliesOwed) {
        found.push_back({violation_kind::replyNotHandedBack,
                         "the null reply to \"" + owed.command + "\" never came back",
                         owed.command});
    }
    nullRepliesOwed.clear();
    return found;
}

std::optional<violation> contract_checker::panelDeleted() const {
    if (closed) {
        return std::nullopt;
    }
    return violation{violation_kind::missingClosingNotice,
                     "the panel was deleted and sent no \"AS\"", "delete panel"};
}
