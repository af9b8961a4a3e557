#include "panel_view.h"

#include <cstdlib>

namespace {

std::string property(const layout_control& control, const std::string& name) {
    const auto found = control.properties.find(name);
    return found == control.properties.end() ? std::string() : found->second;
}

std::string listView(const layout_control& list, const facility& plant) {
    const std::string index = property(list, "index");
    const long selected = std::strtol(index.c_str(), nullptr, 10);
    if (index.empty() || selected < 0) {
        return list.name + " none";
    }
    const auto text = listItemText(list, static_cast<std::int32_t>(selected), plant);
    return list.name + " " + index + (text ? " \"" + *text + "\"" : std::string());
}

std::string pixmapView(const std::string& pixmap) {
    if (pixmap == "/images/SmallTick.png") {
        return "on";
    }
    if (pixmap == "/images/SmallCross.png") {
        return "off";
    }
    return pixmap;
}

std::string layoutView(const layout& shown, const facility& plant) {
    std::vector<std::string> sections;
    std::string latched;
    bool hasLatching = false;
    std::string pixmaps;
    std::vector<std::string> labels;
    std::vector<std::string> states;
    for (const layout_control& control : shown.controls) {
        if (control.kind == control_kind::list) {
            sections.push_back(listView(control, plant));
        } else if (control.kind == control_kind::label) {
            labels.push_back(control.name + " \"" + property(control, "text") + "\"");
        } else if (control.latching) {
            hasLatching = true;
            if (property(control, "index") != "-1") {
                latched += (latched.empty() ? "" : ", ") + control.name;
            }
        } else if (control.properties.count("pixmap") != 0) {
            pixmaps += (pixmaps.empty() ? "" : ", ") + control.name + " " +
                       pixmapView(property(control, "pixmap"));
        } else if (control.enableChanged || control.properties.count("statesheet") != 0) {
            std::string state = control.name + (control.enabled ? " enabled" : " disabled");
            const std::string sheet = property(control, "statesheet");
            states.push_back(sheet.empty() ? state : state + " " + sheet);
        }
    }
    if (hasLatching) {
        sections.push_back("selected " + (latched.empty() ? std::string("none") : latched));
    }
    if (!pixmaps.empty()) {
        sections.push_back(pixmaps);
    }
    sections.insert(sections.end(), labels.begin(), labels.end());
    sections.insert(sections.end(), states.begin(), states.end());
    std::string view;
    for (const std::string& section : sections) {
        view += " | " + section;
    }
    return view;
}

} // namespace

std::optional<std::string> listItemText(const layout_control& list, std::int32_t index,
                                        const facility& plant) {
    const facility_device* device = plant.deviceNamed(list.itemsDevice);
    if (device == nullptr) {
        return std::nullopt;
    }
    return plant.databaseText(device->number, list.itemsDatabase, index);
}

std::string deskView(int deskNumber, bool closed, const shown_panels& panels,
                     const facility& plant) {
    const std::string label = "desk " + std::to_string(deskNumber);
    if (closed) {
        return label + " | closed";
    }
    if (panels.empty()) {
        return label + " | shows no panel";
    }
    std::string view = label;
    const bool several = panels.size() > 1;
    for (const auto& [panelId, panelLayout] : panels) {
        view += several ? " | panel '" + panelId + "'" : std::string();
        view += layoutView(panelLayout, plant);
    }
    return view;
}

std::string routersView(const router_bank& routers, const facility& plant) {
    std::string view = "routers";
    bool any = false;
    for (const auto& [device, destinations] : routers.heardDestinations()) {
        if (destinations.empty()) {
            continue;
        }
        any = true;
        view += " | " + plant.describeDevice(device) + ":";
        for (const std::int32_t destination : destinations) {
            view += " " + std::to_string(destination) + "<-" +
                    std::to_string(routers.source(device, destination).value_or(0));
        }
    }
    return any ? view : view + " | no desk listens to any destination";
}
