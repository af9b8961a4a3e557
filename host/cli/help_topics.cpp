#include "help_topics.h"

#include "reference_texts.h"
#include "scenario_language.h"
#include "violation_kind.h"

namespace {

constexpr std::size_t topicColumn = 20;

std::string topicLine(const std::string& topic, const std::string& summary) {
    std::string line = "  " + topic;
    line.resize(std::max(topicColumn, line.size() + 1), ' ');
    return line + summary + "\n";
}

std::string violationsText() {
    std::string text = "The contract violations zeth-host reports, by id (expect violation ID "
                       "claims one):\n";
    for (const violation_kind kind : allViolationKinds()) {
        text += "  " + std::string(violationId(kind)) + "\n      " +
                std::string(violationDescription(kind)) + "\n";
    }
    return text;
}

} // namespace

std::optional<std::string> helpText(const std::string& topic) {
    if (topic.empty()) {
        std::string text = "zeth-host help TOPIC prints one of these references (the kit also "
                           "installs them as share/zeth/reference/TOPIC.md):\n";
        for (const reference_text& each : referenceTexts()) {
            text += topicLine(each.topic, each.summary);
        }
        text += topicLine("violations", "every contract violation id and what it means");
        text +=
            topicLine("scenario", "the scenario language in short, as the shell's help lists it");
        return text + "\n" + scenarioHelp();
    }
    if (topic == "violations") {
        return violationsText();
    }
    if (topic == "scenario") {
        return scenarioHelp();
    }
    for (const reference_text& each : referenceTexts()) {
        if (topic == each.topic) {
            return std::string(each.text);
        }
    }
    return std::nullopt;
}
