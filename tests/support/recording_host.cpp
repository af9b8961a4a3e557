#include "recording_host.h"

#include "zeth_reply_rules.h"

#include <cstring>

recording_host::~recording_host() = default;

void* recording_host::notify(void* data, int code) {
    if (code == 0) {
        const std::string command = data != nullptr ? static_cast<const char*>(data) : "";
        received.push_back(command);
        return answer(command);
    }
    if (code == 5) {
        takeBack(data);
        return nullptr;
    }
    otherCodes.push_back(code);
    return nullptr;
}

void recording_host::replyExact(const std::string& command, reply answer) {
    exactRules[command] = std::move(answer);
}

void recording_host::replyPrefix(const std::string& prefix, reply answer) {
    prefixRules[prefix] = std::move(answer);
}

void recording_host::replyDefault(reply answer) {
    defaultReply = std::move(answer);
}

std::vector<std::string> recording_host::commandsSinceMark() const {
    return {received.begin() + static_cast<std::ptrdiff_t>(mark), received.end()};
}

void* recording_host::answer(const std::string& command) {
    reply chosen = defaultReply;
    const auto exact = exactRules.find(command);
    if (exact != exactRules.end()) {
        chosen = exact->second;
    } else {
        std::size_t longest = 0;
        for (const auto& [prefix, rule] : prefixRules) {
            if (command.rfind(prefix, 0) == 0 && prefix.size() >= longest) {
                longest = prefix.size();
                chosen = rule;
            }
        }
    }
    if (!chosen) {
        if (zethNullReplyComesBack(zethCommandName(command))) {
            ++nullHandBacksAllowed;
        }
        return nullptr;
    }
    auto entry = std::make_unique<issuedReply>();
    entry->command = command;
    entry->returnable = zethReplyComesBack(zethCommandName(command));
    entry->text = std::make_unique<char[]>(chosen->size() + 1);
    std::memcpy(entry->text.get(), chosen->c_str(), chosen->size() + 1);
    void* handedOut = entry->text.get();
    issued.push_back(std::move(entry));
    return handedOut;
}

void recording_host::takeBack(void* data) {
    ++handBackCount;
    if (data == nullptr) {
        ++nullHandBackCount;
        if (nullHandBacksAllowed > 0) {
            --nullHandBacksAllowed;
        } else {
            breaches.push_back("null hand-back without a null \"RN\" reply before it");
        }
        return;
    }
    for (const auto& entry : issued) {
        if (entry->text.get() != data) {
            continue;
        }
        if (!entry->returnable) {
            breaches.push_back("hand-back of the reply to \"" + entry->command +
                               "\", which stays the host's");
        } else if (entry->handedBack) {
            breaches.push_back("double hand-back of the reply to \"" + entry->command + "\"");
        }
        entry->handedBack = true;
        // Poison the text: a panel that still reads it now reads something else.
        for (char* c = entry->text.get(); *c != '\0'; ++c) {
            *c = '#';
        }
        return;
    }
    breaches.push_back("hand-back of a pointer this host never handed out");
}

std::vector<std::string> recording_host::violations() const {
    std::vector<std::string> all = breaches;
    for (const auto& entry : issued) {
        if (entry->returnable && !entry->handedBack) {
            all.push_back("reply to \"" + entry->command + "\" not handed back");
        }
    }
    if (nullHandBacksAllowed > 0) {
        all.push_back("null \"RN\" reply not handed back");
    }
    return all;
}
