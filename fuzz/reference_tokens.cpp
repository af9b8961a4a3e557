#include "reference_tokens.h"

namespace {
constexpr std::size_t tokenLimit = 32;
}

std::vector<std::string> referenceTokens(const std::string& text, char quote) {
    std::vector<std::string> tokens;
    if (text.empty()) {
        return tokens;
    }
    tokens.emplace_back(); // token 0 exists from the first character on
    bool quotedRun = false;
    bool previousDropped = false; // the character before this one was a separator or a quote
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        bool dropped = false;
        bool beginsToken = false;
        if (!quotedRun && c == quote) {
            quotedRun = true;
            dropped = true;
        } else if (!quotedRun && c == ' ') {
            dropped = true;
        } else if (quotedRun && c == quote) {
            quotedRun = false;
            dropped = true;
            beginsToken = previousDropped; // "''": the run was empty, still a token
        } else {
            beginsToken = at > 0 && previousDropped;
        }
        if (beginsToken) {
            if (tokens.size() == tokenLimit) {
                break;
            }
            tokens.emplace_back();
        }
        if (!dropped) {
            tokens.back().push_back(c);
        }
        previousDropped = dropped;
    }
    return tokens;
}
