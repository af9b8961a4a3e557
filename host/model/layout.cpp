#include "layout.h"

#include "toml_reading.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <set>

namespace {

const std::string controlTable = "[[control]]";

constexpr control_kind controlKinds[] = {control_kind::button, control_kind::list,
                                         control_kind::label};

std::string propertyText(const toml_reading& file, const toml::key& key, const toml::node& value) {
    if (const auto text = value.value_exact<std::string>()) {
        return *text;
    }
    if (const auto number = value.value_exact<std::int64_t>()) {
        return std::to_string(*number);
    }
    if (const auto on = value.value_exact<bool>()) {
        return *on ? "1" : "0";
    }
    file.fail(value.source(), "the property \"" + std::string(key.str()) +
                                  "\" must be a text or a whole number, not " +
                                  toml_reading::kindOf(value));
}

layout_control readControl(const toml_reading& file, const toml::table& entry) {
    layout_control control;
    control.name = file.text(entry, "name", controlTable);
    if (control.name.empty()) {
        file.fail(entry.source(), "a control needs a name, such as name = \"Take\"");
    }
    const std::string kind = file.optionalText(entry, "kind", controlTable).value_or("button");
    const auto named =
        std::find_if(std::begin(controlKinds), std::end(controlKinds),
                     [&](control_kind each) { return kind == controlKindName(each); });
    if (named == std::end(controlKinds)) {
        file.fail(entry.get("kind")->source(),
                  "unknown control kind \"" + kind + "\": \"button\", \"list\" or \"label\"");
    }
    control.kind = *named;
    if (control.kind == control_kind::list) {
        control.properties["index"] = "-1";
    } else if (control.kind == control_kind::label) {
        control.properties["text"] = "";
    }
    control.latching = file.flag(entry, "latching", controlTable, false);
    if (control.latching && control.kind == control_kind::label) {
        file.fail(entry.get("latching")->source(),
                  "a label cannot latch: the operator cannot click it");
    }
    if (control.latching) {
        control.properties["index"] = "-1";
    }
    control.enabled = file.flag(entry, "enabled", controlTable, true);
    if (const toml::table* items = file.subtable(entry, "items", controlTable)) {
        if (control.kind != control_kind::list) {
            file.fail(items->source(), "only a list has items: kind = \"list\"");
        }
        control.itemsDevice = file.text(*items, "device", "items");
        control.itemsDatabase = file.optionalWhole(*items, "database", "items", 0,
                                                   std::numeric_limits<std::int32_t>::max())
                                    .value_or(0);
    }
    if (const toml::table* properties = file.subtable(entry, "properties", controlTable)) {
        for (const auto& [key, value] : *properties) {
            control.properties[std::string(key.str())] = propertyText(file, key, value);
        }
    }
    return control;
}

// Every unknown key of the file, each with its line, before anything else is read.
void checkKeys(toml_reading& file) {
    file.checkKeys(file.root(), {{"title"}, {"control", controlTable}}, "");
    const toml::array* controls = file.root().get_as<toml::array>("control");
    if (controls != nullptr && controls->is_array_of_tables()) {
        for (const toml::node& entry : *controls) {
            const toml::table& control = *entry.as_table();
            file.checkKeys(
                control, {{"name"}, {"kind"}, {"latching"}, {"enabled"}, {"items"}, {"properties"}},
                controlTable);
            if (const toml::table* items = control.get_as<toml::table>("items")) {
                file.checkKeys(*items, {{"device"}, {"database"}}, "items");
            }
        }
    }
    file.throwProblems();
}

} // namespace

layout parseLayout(const std::string& text, const std::string& origin) {
    try {
        toml_reading file(text, origin);
        checkKeys(file);
        layout result;
        result.file = origin;
        result.title = file.optionalText(file.root(), "title", "").value_or("");
        std::set<std::string> names;
        for (const toml::table* entry : file.tables("control")) {
            layout_control control = readControl(file, *entry);
            if (!names.insert(control.name).second) {
                file.fail(entry->source(), "the control \"" + control.name + "\" is given twice");
            }
            result.controls.push_back(std::move(control));
        }
        return result;
    } catch (const toml_file_error& error) {
        throw layout_error(error.what());
    }
}

const char* controlKindName(control_kind kind) {
    switch (kind) {
    case control_kind::list:
        return "list";
    case control_kind::label:
        return "label";
    case control_kind::button:
        break;
    }
    return "button";
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
