#include "state_document.h"

#include "panel_view.h"

#include <cstdlib>
#include <sstream>

namespace {

std::vector<std::string> fields(const std::string& text) {
    std::vector<std::string> found;
    std::stringstream in(text);
    std::string each;
    while (std::getline(in, each, ',')) {
        found.push_back(each);
    }
    return found;
}

nlohmann::json controlDocument(const layout_control& control, const facility& plant) {
    nlohmann::json properties = nlohmann::json::object();
    for (const auto& [name, value] : control.properties) {
        properties[name] = value;
    }
    const auto index = control.properties.find("index");
    const long selected =
        index == control.properties.end() ? -1 : std::strtol(index->second.c_str(), nullptr, 10);
    nlohmann::json document = {{"name", control.name},
                               {"kind", controlKindName(control.kind)},
                               {"enabled", control.enabled},
                               {"disabled_by", control.disabledBy},
                               {"properties", properties}};
    if (control.kind == control_kind::list) {
        document["selected"] = selected;
        nlohmann::json items = nlohmann::json::array();
        const facility_device* device = plant.deviceNamed(control.itemsDevice);
        const facility_database* database =
            device == nullptr ? nullptr : plant.database(device->number, control.itemsDatabase);
        if (database != nullptr) {
            for (const auto& [number, text] : database->entries) {
                items.push_back({{"index", number}, {"text", text}});
            }
        }
        document["items"] = items;
    } else {
        document["latching"] = control.latching;
        document["lit"] = control.latching && selected != -1 && index != control.properties.end();
    }
    return document;
}

// The list that names packages: the first list control any desk shows.
const layout_control* packageList(const emulator& host) {
    for (int number = 1; number <= host.desks(); ++number) {
        for (const auto& [id, shown] : host.deskNumbered(number)->panels()) {
            if (const layout_control* list = shown.firstList()) {
                return list;
            }
        }
    }
    return nullptr;
}

std::optional<std::string> packageName(const emulator& host, std::int32_t device,
                                       std::int32_t source) {
    const facility& plant = host.plant();
    const layout_control* list = packageList(host);
    std::size_t column = 0;
    while (column < plant.routers.size() && plant.routers[column].device != device) {
        ++column;
    }
    if (list == nullptr || column == plant.routers.size()) {
        return std::nullopt;
    }
    for (const facility_database& database : plant.databases) {
        for (const auto& [package, entry] : database.entries) {
            const std::vector<std::string> sources = fields(entry);
            if (sources.size() == plant.routers.size() &&
                sources[column] == std::to_string(source)) {
                if (auto name = listItemText(*list, package, plant)) {
                    return name;
                }
            }
        }
    }
    return std::nullopt;
}

} // namespace

nlohmann::json deskDocument(const emulator& host, int deskNumber) {
    const facility& plant = host.plant();
    const desk& each = *host.deskNumbered(deskNumber);
    nlohmann::json panels = nlohmann::json::array();
    for (const auto& [id, shown] : each.panels()) {
        nlohmann::json controls = nlohmann::json::array();
        for (const layout_control& control : shown.controls) {
            controls.push_back(controlDocument(control, plant));
        }
        panels.push_back({{"id", id}, {"title", shown.title}, {"controls", controls}});
    }
    nlohmann::json listens = nlohmann::json::array();
    for (const auto& [device, router] : host.routers().routers()) {
        const auto heard = router.listeners.find(deskNumber);
        if (heard != router.listeners.end() && !heard->second.empty()) {
            listens.push_back({{"device", device}, {"destinations", heard->second}});
        }
    }
    return {{"number", deskNumber},
            {"closed", each.closed()},
            {"timers", host.timersRunning(deskNumber)},
            {"listens", listens},
            {"panels", panels}};
}

nlohmann::json routerDocuments(const emulator& host) {
    const facility& plant = host.plant();
    nlohmann::json routers = nlohmann::json::array();
    for (const auto& [device, destinations] : host.routers().heardDestinations()) {
        if (destinations.empty()) {
            continue;
        }
        nlohmann::json used = nlohmann::json::array();
        for (const std::int32_t destination : destinations) {
            const std::int32_t source = host.routers().source(device, destination).value_or(0);
            const auto package = packageName(host, device, source);
            used.push_back({{"number", destination},
                            {"source", source},
                            {"package", package ? nlohmann::json(*package) : nullptr}});
        }
        const facility_device* named = plant.deviceNumbered(device);
        routers.push_back({{"device", device},
                           {"name", named != nullptr ? named->name : plant.describeDevice(device)},
                           {"destinations", used}});
    }
    return routers;
}

nlohmann::json stateFields(const emulator& host, bool started, int currentDesk) {
    return {{"time_ms", host.clock().now()},
            {"realtime", host.clock().realtime()},
            {"current_desk", currentDesk},
            {"started", started},
            {"desk_count", host.desks()}};
}

nlohmann::json stateDocument(const emulator& host, bool started, int currentDesk) {
    nlohmann::json document = stateFields(host, started, currentDesk);
    nlohmann::json desks = nlohmann::json::array();
    for (int number = 1; number <= host.desks(); ++number) {
        desks.push_back(deskDocument(host, number));
    }
    document["desks"] = std::move(desks);
    document["routers"] = routerDocuments(host);
    return document;
}
