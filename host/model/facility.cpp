#include "facility.h"

#include "text_file.h"
#include "toml_reading.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <set>

namespace {

constexpr std::int64_t maxNumber = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t minNumber = std::numeric_limits<std::int32_t>::min();

const std::string deviceTable = "[[device]]";
const std::string routerTable = "[[router]]";
const std::string databaseTable = "[[database]]";

// Every unknown key of the file, each with its line, before anything else is read: a misspelt
// [[router]] or crosspoints would otherwise be skipped and show up later as another fault.
void checkKeys(toml_reading& file) {
    file.checkKeys(file.root(),
                   {{"panel_path"},
                    {"device", deviceTable},
                    {"router", routerTable},
                    {"database", databaseTable}},
                   "");
    const auto each = [&](std::string_view key, const std::vector<toml_key>& known,
                          const std::string& inside) {
        const toml::array* entries = file.root().get_as<toml::array>(key);
        if (entries == nullptr || !entries->is_array_of_tables()) {
            return; // reported when it is read
        }
        for (const toml::node& entry : *entries) {
            file.checkKeys(*entry.as_table(), known, inside);
        }
    };
    each("device", {{"name"}, {"number"}, {"aliases"}}, deviceTable);
    each("router", {{"device"}, {"sources"}, {"destinations"}, {"crosspoints"}}, routerTable);
    each("database", {{"device"}, {"number"}, {"entries"}}, databaseTable);
    file.throwProblems();
}

void readDevices(const toml_reading& file, facility& result) {
    std::set<std::string> names;
    std::set<std::int32_t> numbers;
    for (const toml::table* entry : file.tables("device")) {
        facility_device device;
        device.name = file.text(*entry, "name", deviceTable);
        device.number = file.whole(*entry, "number", deviceTable, 1, maxNumber);
        if (const toml::node* aliases = entry->get("aliases")) {
            const toml::array* list = aliases->as_array();
            if (list == nullptr) {
                file.fail(aliases->source(), "aliases in [[device]] must be a list of texts, not " +
                                                 toml_reading::kindOf(*aliases));
            }
            for (const toml::node& alias : *list) {
                if (!alias.is_string()) {
                    file.fail(alias.source(), "an alias in [[device]] must be a text, not " +
                                                  toml_reading::kindOf(alias));
                }
                device.aliases.emplace_back(alias.as_string()->get());
            }
        }
        for (const std::string& name : device.aliases) {
            if (!names.insert(name).second) {
                file.fail(entry->source(), "the device name \"" + name + "\" is given twice");
            }
        }
        if (!names.insert(device.name).second) {
            file.fail(entry->source(), "the device name \"" + device.name + "\" is given twice");
        }
        if (!numbers.insert(device.number).second) {
            file.fail(entry->source(),
                      "the device number " + std::to_string(device.number) + " is given twice");
        }
        result.devices.push_back(device);
    }
}

void readRouters(const toml_reading& file, facility& result) {
    for (const toml::table* entry : file.tables("router")) {
        facility_router router;
        router.device = file.whole(*entry, "device", routerTable, 1, maxNumber);
        if (result.deviceNumbered(router.device) == nullptr) {
            file.fail(entry->get("device")->source(),
                      "router device " + std::to_string(router.device) + " is not a [[device]]");
        }
        if (result.router(router.device) != nullptr) {
            file.fail(entry->source(),
                      "device " + std::to_string(router.device) + " has two [[router]] tables");
        }
        router.sources = file.whole(*entry, "sources", routerTable, 1, 65535);
        router.destinations = file.whole(*entry, "destinations", routerTable, 1, 65535);
        if (const toml::table* table = file.subtable(*entry, "crosspoints", routerTable)) {
            for (const auto& [key, source] : *table) {
                const std::int32_t destination =
                    file.keyNumber(key, "crosspoints", 1, router.destinations);
                const std::optional<std::int64_t> number = source.value_exact<std::int64_t>();
                if (!number || *number < 0 || *number > router.sources) {
                    file.fail(source.source(), "the source of destination " +
                                                   std::string(key.str()) + " must be 0 to " +
                                                   std::to_string(router.sources));
                }
                router.crosspoints[destination] = static_cast<std::int32_t>(*number);
            }
        }
        result.routers.push_back(router);
    }
}

void readDatabases(const toml_reading& file, facility& result) {
    for (const toml::table* entry : file.tables("database")) {
        facility_database database;
        database.device = file.whole(*entry, "device", databaseTable, 1, maxNumber);
        if (result.deviceNumbered(database.device) == nullptr) {
            file.fail(entry->get("device")->source(), "database device " +
                                                          std::to_string(database.device) +
                                                          " is not a [[device]]");
        }
        database.number = file.whole(*entry, "number", databaseTable, 0, maxNumber);
        if (result.database(database.device, database.number) != nullptr) {
            file.fail(entry->source(), "database " + std::to_string(database.number) +
                                           " of device " + std::to_string(database.device) +
                                           " is given twice");
        }
        const toml::table* table = file.subtable(*entry, "entries", databaseTable);
        if (table == nullptr) {
            file.fail(entry->source(), "[[database]] needs entries");
        }
        for (const auto& [key, text] : *table) {
            const std::int32_t index = file.keyNumber(key, "entries", minNumber, maxNumber);
            if (!text.is_string()) {
                file.fail(text.source(), "entry " + std::string(key.str()) +
                                             " must be a text, not " + toml_reading::kindOf(text));
            }
            database.entries[index] = std::string(text.as_string()->get());
        }
        result.databases.push_back(database);
    }
}

facility parseChecked(const std::string& text, const std::string& origin) {
    try {
        toml_reading file(text, origin);
        checkKeys(file);
        facility result;
        result.origin = origin;
        result.panelPath = file.optionalText(file.root(), "panel_path", "").value_or("");
        readDevices(file, result);
        readRouters(file, result);
        readDatabases(file, result);
        return result;
    } catch (const toml_file_error& error) {
        throw facility_error(error.what());
    }
}

} // namespace

facility parseFacility(const std::string& text, const std::string& origin) {
    return parseChecked(text, origin);
}

facility readFacilityFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::string text;
    try {
        text = readTextFile(path);
    } catch (const text_file_error& error) {
        throw facility_error(error.what());
    }
    facility result = parseChecked(text, path);
    const fs::path directory = fs::path(path).parent_path();
    const fs::path layouts = result.panelPath.empty() ? directory : directory / result.panelPath;
    // With "/" between the parts on every system (Windows takes it too): the panel puts its own
    // "/" after the path, and a panel path reads the same wherever the facility is read.
    result.panelPath =
        layouts.empty() ? std::string(".") : layouts.lexically_normal().generic_string();
    if (result.panelPath.size() > 1 && result.panelPath.back() == '/') {
        result.panelPath.pop_back();
    }
    return result;
}

const facility_device* facility::deviceNamed(const std::string& name) const {
    for (const facility_device& device : devices) {
        if (device.name == name ||
            std::find(device.aliases.begin(), device.aliases.end(), name) != device.aliases.end()) {
            return &device;
        }
    }
    return nullptr;
}

const facility_device* facility::deviceNumbered(std::int32_t number) const {
    for (const facility_device& device : devices) {
        if (device.number == number) {
            return &device;
        }
    }
    return nullptr;
}

const facility_router* facility::router(std::int32_t device) const {
    for (const facility_router& candidate : routers) {
        if (candidate.device == device) {
            return &candidate;
        }
    }
    return nullptr;
}

const facility_database* facility::database(std::int32_t device, std::int32_t number) const {
    for (const facility_database& candidate : databases) {
        if (candidate.device == device && candidate.number == number) {
            return &candidate;
        }
    }
    return nullptr;
}

std::optional<std::string> facility::databaseText(std::int32_t device, std::int32_t database,
                                                  std::int32_t index) const {
    const facility_database* found = this->database(device, database);
    if (found == nullptr) {
        return std::nullopt;
    }
    const auto entry = found->entries.find(index);
    if (entry == found->entries.end()) {
        return std::nullopt;
    }
    return entry->second;
}

std::string facility::describeDevice(std::int32_t number) const {
    const facility_device* device = deviceNumbered(number);
    if (device == nullptr) {
        return "device " + std::to_string(number);
    }
    return device->name + " (" + std::to_string(number) + ")";
}
