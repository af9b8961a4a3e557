#include "validation_config.h"

#include "plugin_checks.h"
#include "text_file.h"
#include "toml_reading.h"
#include "validation_run.h"

#include <limits>

namespace {

std::vector<toml_key> checkIds() {
    std::vector<toml_key> ids;
    for (const plugin_check& each : pluginChecks()) {
        ids.push_back({each.id});
    }
    return ids;
}

double seconds(const toml_reading& file, const toml::node& value, const std::string& what) {
    const std::optional<double> number = value.value<double>();
    if (!number || (!value.is_integer() && !value.is_floating_point())) {
        file.fail(value.source(),
                  what + " must be a number of seconds, not " + toml_reading::kindOf(value));
    }
    if (*number < 0.01 || *number > 86400.0) {
        file.fail(value.source(), what + " is out of range: seconds from 0.01 to 86400");
    }
    return *number;
}

std::int64_t whole(const toml_reading& file, const toml::node& value, const std::string& what,
                   std::int64_t low, std::int64_t high) {
    if (!value.is_integer()) {
        file.fail(value.source(),
                  what + " must be a whole number, not " + toml_reading::kindOf(value));
    }
    const std::int64_t number = value.as_integer()->get();
    if (number < low || number > high) {
        file.fail(value.source(), what + " is out of range: " + std::to_string(number) +
                                      " is not from " + std::to_string(low) + " to " +
                                      std::to_string(high));
    }
    return number;
}

validation_config readChecked(const std::string& text, const std::string& path) {
    toml_reading file(text, path);
    const toml::table& root = file.root();
    file.checkKeys(root, {{"seed"}, {"messages"}, {"timeout"}, {"skip"}, {"timeouts"}}, "");
    const toml::table* skip = file.subtable(root, "skip", "");
    const toml::table* timeouts = file.subtable(root, "timeouts", "");
    const std::vector<toml_key> ids = checkIds();
    for (const toml::table* each : {skip, timeouts}) {
        if (each != nullptr) {
            file.checkKeys(*each, ids, each == skip ? "skip" : "timeouts");
        }
    }
    file.throwProblems();

    validation_config config;
    config.file = path;
    if (const toml::node* seed = root.get("seed")) {
        config.seed = static_cast<std::uint64_t>(
            whole(file, *seed, "seed", 0, std::numeric_limits<std::int64_t>::max()));
    }
    if (const toml::node* messages = root.get("messages")) {
        config.messages = whole(file, *messages, "messages", 1, 100000000);
    }
    if (const toml::node* timeout = root.get("timeout")) {
        config.timeout = seconds(file, *timeout, "timeout");
    }
    if (skip != nullptr) {
        for (const auto& [id, reason] : *skip) {
            const std::string name(id.str());
            if (!reason.is_string()) {
                file.fail(reason.source(), "the reason to skip \"" + name +
                                               "\" must be a text, not " +
                                               toml_reading::kindOf(reason));
            }
            const std::string said(reason.as_string()->get());
            if (said.find_first_not_of(" \t") == std::string::npos) {
                file.fail(reason.source(),
                          "skipping \"" + name +
                              "\" needs a reason: say why the check does not apply to this "
                              "panel (skip = { \"" +
                              name + "\" = \"...\" })");
            }
            config.skips[name] = {said, static_cast<int>(id.source().begin.line)};
        }
    }
    if (timeouts != nullptr) {
        for (const auto& [id, limit] : *timeouts) {
            config.timeouts[std::string(id.str())] =
                seconds(file, limit, "the timeout of \"" + std::string(id.str()) + "\"");
        }
    }
    return config;
}

} // namespace

validation_config readValidationConfig(const std::string& path) {
    try {
        return readChecked(readTextFile(path), path);
    } catch (const text_file_error& error) {
        throw validation_error(std::string("the configuration cannot be read: ") + error.what());
    } catch (const toml_file_error& error) {
        throw validation_error(std::string("the configuration is wrong: ") + error.what());
    }
}
