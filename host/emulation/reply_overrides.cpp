#include "reply_overrides.h"

#include <algorithm>

namespace {

bool matches(const reply_override& rule, const std::string& commandText) {
    return rule.starting ? commandText.rfind(rule.text, 0) == 0 : commandText == rule.text;
}

} // namespace

void reply_overrides::add(reply_override rule) {
    if (!rule.once) {
        rules.erase(std::remove_if(rules.begin(), rules.end(),
                                   [&](const reply_override& earlier) {
                                       return !earlier.once && earlier.starting == rule.starting &&
                                              earlier.text == rule.text;
                                   }),
                    rules.end());
    }
    rules.push_back(std::move(rule));
}

std::optional<std::optional<std::string>>
reply_overrides::answerFor(const std::string& commandText) {
    if (rules.empty()) {
        return std::nullopt;
    }
    for (auto rule = rules.begin(); rule != rules.end(); ++rule) {
        if (rule->once && matches(*rule, commandText)) {
            // In place: an outer optional made from a null reply would read as no rule at all.
            std::optional<std::optional<std::string>> answer(std::in_place, std::move(rule->reply));
            rules.erase(rule);
            return answer;
        }
    }
    for (auto rule = rules.rbegin(); rule != rules.rend(); ++rule) {
        if (matches(*rule, commandText)) {
            return std::optional<std::optional<std::string>>(std::in_place, rule->reply);
        }
    }
    return std::nullopt;
}
