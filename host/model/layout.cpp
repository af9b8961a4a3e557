#include "layout.h"

#include <toml.hpp>

#include <set>
#include <sstream>

namespace {

using toml_value = toml::basic_value<toml::discard_comments>;

[[noreturn]] void fail(const std::string& message, const toml_value& where,
                       const std::string& hint) {
    throw layout_error(toml::format_error("[error] " + message, where, hint));
}

std::string propertyText(const std::string& key, const toml_value& value) {
    if (value.is_string()) {
        return value.as_string().str;
    }
    if (value.is_integer()) {
        return std::to_string(value.as_integer());
    }
    if (value.is_boolean()) {
        return value.as_boolean() ? "1" : "0";
    }
    fail("the property \"" + key + "\" must be a text or a whole number", value, "such as \"101\"");
}

layout_control readControl(const toml_value& entry) {
    layout_control control;
    control.name = toml::find<std::string>(entry, "name");
    if (control.name.empty()) {
        fail("a control needs a name", entry, "name = \"Take\"");
    }
    const std::string kind = toml::find_or<std::string>(entry, "kind", "button");
    if (kind == "list") {
        control.kind = control_kind::list;
        control.properties["index"] = "-1";
    } else if (kind != "button") {
        fail("unknown control kind \"" + kind + "\"", toml::find(entry, "kind"),
             "\"button\" or \"list\"");
    }
    control.latching = toml::find_or<bool>(entry, "latching", false);
    if (control.latching) {
        control.properties["index"] = "-1";
    }
    control.enabled = toml::find_or<bool>(entry, "enabled", true);
    if (entry.contains("items")) {
        const toml_value& items = toml::find(entry, "items");
        if (control.kind != control_kind::list) {
            fail("only a list has items", items, "kind = \"list\"");
        }
        control.itemsDevice = toml::find<std::string>(items, "device");
        control.itemsDatabase = toml::find_or<std::int32_t>(items, "database", 0);
    }
    if (entry.contains("properties")) {
        const toml_value& properties = toml::find(entry, "properties");
        if (!properties.is_table()) {
            fail("\"properties\" must be a table", properties, "such as { video_id = 101 }");
        }
        for (const auto& [key, value] : properties.as_table()) {
            control.properties[key] = propertyText(key, value);
        }
    }
    return control;
}

} // namespace

layout parseLayout(const std::string& text, const std::string& origin) {
    try {
        std::istringstream stream(text);
        const toml_value root = toml::parse<toml::discard_comments>(stream, origin);
        layout result;
        result.file = origin;
        result.title = toml::find_or<std::string>(root, "title", "");
        std::set<std::string> names;
        if (root.contains("control")) {
            const toml_value& controls = toml::find(root, "control");
            if (!controls.is_array()) {
                fail("\"control\" must be an array of tables: write [[control]]", controls,
                     "[[control]]");
            }
            for (const toml_value& entry : controls.as_array()) {
                layout_control control = readControl(entry);
                if (!names.insert(control.name).second) {
                    fail("the control \"" + control.name + "\" is given twice", entry,
                         "control names are unique");
                }
                result.controls.push_back(std::move(control));
            }
        }
        return result;
    } catch (const layout_error&) {
        throw;
    } catch (const std::exception& error) {
        throw layout_error(origin + ": " + error.what());
    }
}

layout_control* layout::control(const std::string& name) {
    for (layout_control& candidate : controls) {
        if (candidate.name == name) {
            return &candidate;
        }
    }
    return nullptr;
}

const layout_control* layout::control(const std::string& name) const {
    for (const layout_control& candidate : controls) {
        if (candidate.name == name) {
            return &candidate;
        }
    }
    return nullptr;
}

const layout_control* layout::firstList() const {
    for (const layout_control& candidate : controls) {
        if (candidate.kind == control_kind::list) {
            return &candidate;
        }
    }
    return nullptr;
}

void layout::setProperty(layout_control& target, const std::string& property,
                         const std::string& value) {
    target.properties[property] = value;
    if (target.kind == control_kind::list && property == "select") {
        target.properties["index"] = value;
    }
}

std::optional<std::string> layout::reading(const layout_control& target,
                                           const std::string& property) {
    if (property == "all") {
        std::string all;
        for (const auto& [key, value] : target.properties) {
            if (!all.empty()) {
                all += '\n';
            }
            all += key + "=" + value;
        }
        return all;
    }
    const auto found = target.properties.find(property);
    if (found == target.properties.end()) {
        return std::nullopt;
    }
    return property + "=" + found->second;
}
