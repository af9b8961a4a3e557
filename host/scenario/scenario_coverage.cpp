#include "scenario_coverage.h"

#include "command_parser.h"

#include <nlohmann/json.hpp>

#include <filesystem>

namespace {

// The message codes a host delivers to a panel, with what each carries.
const std::vector<std::pair<int, const char*>>& messageCodes() {
    static const std::vector<std::pair<int, const char*>> codes = {
        {1, "revertive"},       {2, "control event"}, {3, "query"},        {4, "timer tick"},
        {5, "answer released"}, {6, "host event 6"},  {7, "host event 7"},
    };
    return codes;
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.resize(width, ' ');
    }
    return text;
}

std::string rightAligned(const std::string& text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

struct never_reached {
    std::vector<std::string> clicked, selected, expected, sent, delivered;
};

never_reached untouched(const std::vector<layout_coverage>& layouts,
                        const std::map<std::string, std::int64_t>& commands,
                        const std::map<int, std::int64_t>& messages) {
    never_reached never;
    for (const layout_coverage& each : layouts) {
        // With several layouts a name alone could be either's.
        const std::string in =
            layouts.size() > 1 ? " (" + std::filesystem::path(each.file).filename().string() + ")"
                               : std::string();
        for (const control_coverage& control : each.controls) {
            if (control.actions == 0) {
                (control.list ? never.selected : never.clicked).push_back(control.name + in);
            }
            if (control.expectations == 0) {
                never.expected.push_back(control.name + in);
            }
        }
    }
    for (const std::string& name : commandVocabulary()) {
        if (commands.count(name) == 0) {
            never.sent.push_back(name);
        }
    }
    for (const auto& [code, meaning] : messageCodes()) {
        if (messages.count(code) == 0) {
            never.delivered.push_back("code " + std::to_string(code));
        }
    }
    return never;
}

} // namespace

control_coverage* scenario_coverage::find(const std::string& file, const std::string& control) {
    for (layout_coverage& each : shownLayouts) {
        if (each.file != file) {
            continue;
        }
        for (control_coverage& named : each.controls) {
            if (named.name == control) {
                return &named;
            }
        }
    }
    return nullptr;
}

void scenario_coverage::shown(const layout& panel) {
    for (const layout_coverage& each : shownLayouts) {
        if (each.file == panel.file) {
            return;
        }
    }
    layout_coverage added{panel.file, {}};
    for (const layout_control& control : panel.controls) {
        added.controls.push_back({control.name, control.kind == control_kind::list, 0, 0});
    }
    shownLayouts.push_back(std::move(added));
}

void scenario_coverage::reached(const std::string& file, const std::string& control) {
    if (control_coverage* found = find(file, control)) {
        ++found->actions;
    }
}

void scenario_coverage::lookedAt(const std::string& file, const std::string& control) {
    if (control_coverage* found = find(file, control)) {
        ++found->expectations;
    }
}

void scenario_coverage::commandsSent(const std::map<std::string, std::int64_t>& counts) {
    for (const auto& [name, count] : counts) {
        commands[name] += count;
    }
}

void scenario_coverage::messagesDelivered(const std::map<int, std::int64_t>& counts) {
    for (const auto& [code, count] : counts) {
        messages[code] += count;
    }
}

void scenario_coverage::add(const scenario_coverage& other) {
    for (const layout_coverage& each : other.shownLayouts) {
        bool known = false;
        for (layout_coverage& mine : shownLayouts) {
            known = known || mine.file == each.file;
        }
        if (!known) {
            shownLayouts.push_back({each.file, {}});
            for (const control_coverage& control : each.controls) {
                shownLayouts.back().controls.push_back({control.name, control.list, 0, 0});
            }
        }
        for (const control_coverage& control : each.controls) {
            if (control_coverage* found = find(each.file, control.name)) {
                found->actions += control.actions;
                found->expectations += control.expectations;
            }
        }
    }
    commandsSent(other.commands);
    messagesDelivered(other.messages);
}

std::string scenario_coverage::text(std::size_t files) const {
    std::string report = "\ncoverage of " + std::to_string(files) +
                         (files == 1 ? " scenario file" : " scenario files") + "\n";
    for (const layout_coverage& each : shownLayouts) {
        report += "  layout " + each.file + "\n    " + padded("control", 20) + padded("kind", 8) +
                  rightAligned("actions", 8) + rightAligned("expectations", 14) + "\n";
        for (const control_coverage& control : each.controls) {
            report += "    " + padded(control.name, 20) +
                      padded(control.list ? "list" : "button", 8) +
                      rightAligned(std::to_string(control.actions), 8) +
                      rightAligned(std::to_string(control.expectations), 14) + "\n";
        }
    }
    if (shownLayouts.empty()) {
        report += "  no layout was shown\n";
    }
    std::vector<std::string> sent;
    for (const std::string& name : commandVocabulary()) {
        const auto found = commands.find(name);
        sent.push_back(name + " " + std::to_string(found == commands.end() ? 0 : found->second));
    }
    if (const auto other = commands.find("other"); other != commands.end()) {
        sent.push_back("other " + std::to_string(other->second));
    }
    report += "  commands sent: " + joined(sent) + "\n";
    std::vector<std::string> delivered;
    for (const auto& [code, meaning] : messageCodes()) {
        const auto found = messages.find(code);
        delivered.push_back(std::to_string(code) + " " + meaning + " " +
                            std::to_string(found == messages.end() ? 0 : found->second));
    }
    report += "  messages delivered: " + joined(delivered) + "\n";

    const never_reached never = untouched(shownLayouts, commands, messages);
    std::string line;
    for (const auto& [what, names] :
         std::vector<std::pair<const char*, const std::vector<std::string>*>>{
             {"never clicked: ", &never.clicked},
             {"never selected: ", &never.selected},
             {"never expected: ", &never.expected},
             {"never sent: ", &never.sent},
             {"never delivered: ", &never.delivered}}) {
        if (!names->empty()) {
            line += (line.empty() ? "" : "; ") + std::string(what) + joined(*names);
        }
    }
    return report + "  " +
           (line.empty() ? "every control, command and message code reached" : line) + "\n";
}

std::string scenario_coverage::json(std::size_t files) const {
    nlohmann::ordered_json document;
    document["kind"] = "coverage";
    document["files"] = files;
    nlohmann::ordered_json layouts = nlohmann::ordered_json::array();
    for (const layout_coverage& each : shownLayouts) {
        nlohmann::ordered_json controls = nlohmann::ordered_json::array();
        for (const control_coverage& control : each.controls) {
            controls.push_back({{"name", control.name},
                                {"kind", control.list ? "list" : "button"},
                                {"actions", control.actions},
                                {"expectations", control.expectations}});
        }
        layouts.push_back({{"file", each.file}, {"controls", controls}});
    }
    document["layouts"] = layouts;
    nlohmann::ordered_json sent = nlohmann::ordered_json::object();
    for (const std::string& name : commandVocabulary()) {
        const auto found = commands.find(name);
        sent[name] = found == commands.end() ? 0 : found->second;
    }
    if (const auto other = commands.find("other"); other != commands.end()) {
        sent["other"] = other->second;
    }
    document["commands"] = sent;
    nlohmann::ordered_json delivered = nlohmann::ordered_json::object();
    for (const auto& [code, meaning] : messageCodes()) {
        const auto found = messages.find(code);
        delivered[std::to_string(code)] = found == messages.end() ? 0 : found->second;
    }
    for (const auto& [code, count] : messages) {
        if (code < 1 || code > 7) {
            delivered[std::to_string(code)] = count;
        }
    }
    document["messages"] = delivered;
    const never_reached never = untouched(shownLayouts, commands, messages);
    document["never"] = {{"clicked", never.clicked},
                         {"selected", never.selected},
                         {"expected", never.expected},
                         {"sent", never.sent},
                         {"delivered", never.delivered}};
    // Control names come from layout files, which are UTF-8; replacement keeps any other text.
    return document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

scenario_coverage scenario_coverage::fromJson(const std::string& text) {
    const nlohmann::json document = nlohmann::json::parse(text);
    scenario_coverage read;
    for (const nlohmann::json& each : document.at("layouts")) {
        layout_coverage shownLayout{each.at("file").get<std::string>(), {}};
        for (const nlohmann::json& control : each.at("controls")) {
            shownLayout.controls.push_back({control.at("name").get<std::string>(),
                                            control.at("kind") == "list",
                                            control.at("actions").get<std::int64_t>(),
                                            control.at("expectations").get<std::int64_t>()});
        }
        read.shownLayouts.push_back(std::move(shownLayout));
    }
    for (const auto& [name, count] : document.at("commands").items()) {
        if (count.get<std::int64_t>() > 0) {
            read.commands[name] = count.get<std::int64_t>();
        }
    }
    for (const auto& [code, count] : document.at("messages").items()) {
        if (count.get<std::int64_t>() > 0) {
            read.messages[std::stoi(code)] = count.get<std::int64_t>();
        }
    }
    return read;
}
