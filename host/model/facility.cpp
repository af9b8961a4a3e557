#include "facility.h"

#include <toml.hpp>

#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

namespace {

using toml_value = toml::basic_value<toml::discard_comments>;

[[noreturn]] void fail(const std::string& message, const toml_value& where,
                       const std::string& hint) {
    throw facility_error(toml::format_error("[error] " + message, where, hint));
}

std::int32_t readInt32(const toml_value& table, const std::string& key, std::int64_t low,
                       std::int64_t high) {
    const toml_value& value = toml::find(table, key);
    if (!value.is_integer()) {
        fail("\"" + key + "\" must be a whole number", value, "a number here");
    }
    const std::int64_t number = value.as_integer();
    if (number < low || number > high) {
        fail("\"" + key + "\" is out of range", value,
             "from " + std::to_string(low) + " to " + std::to_string(high));
    }
    return static_cast<std::int32_t>(number);
}

// Keys of an inline table such as { 101 = 1 } are texts: they must be whole numbers.
std::int32_t keyNumber(const std::string& key, const toml_value& table, std::int64_t low,
                       std::int64_t high) {
    std::int64_t number = 0;
    std::size_t used = 0;
    try {
        number = std::stoll(key, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != key.size() || number < low || number > high) {
        fail("the key \"" + key + "\" is not a number from " + std::to_string(low) + " to " +
                 std::to_string(high),
             table, "keys here are numbers");
    }
    return static_cast<std::int32_t>(number);
}

const toml::array emptyArray;

const toml::array& arrayOf(const toml_value& root, const std::string& key) {
    if (!root.contains(key)) {
        return emptyArray;
    }
    const toml_value& value = toml::find(root, key);
    if (!value.is_array()) {
        fail("\"" + key + "\" must be an array of tables: write [[" + key + "]]", value,
             "an array of tables");
    }
    return value.as_array();
}

constexpr std::int64_t maxNumber = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t minNumber = std::numeric_limits<std::int32_t>::min();

void readDevices(const toml_value& root, facility& result) {
    std::set<std::string> names;
    std::set<std::int32_t> numbers;
    for (const toml_value& entry : arrayOf(root, "device")) {
        facility_device device;
        device.name = toml::find<std::string>(entry, "name");
        device.number = readInt32(entry, "number", 1, maxNumber);
        if (!names.insert(device.name).second) {
            fail("the device name \"" + device.name + "\" is given twice", entry,
                 "device names are unique");
        }
        if (!numbers.insert(device.number).second) {
            fail("the device number " + std::to_string(device.number) + " is given twice", entry,
                 "device numbers are unique");
        }
        result.devices.push_back(device);
    }
}

void readRouters(const toml_value& root, facility& result) {
    for (const toml_value& entry : arrayOf(root, "router")) {
        facility_router router;
        router.device = readInt32(entry, "device", 1, maxNumber);
        if (result.deviceNumbered(router.device) == nullptr) {
            fail("router device " + std::to_string(router.device) + " is not a [[device]]",
                 toml::find(entry, "device"), "declare the device first");
        }
        if (result.router(router.device) != nullptr) {
            fail("device " + std::to_string(router.device) + " has two [[router]] tables", entry,
                 "one router per device");
        }
        router.sources = readInt32(entry, "sources", 1, 65535);
        router.destinations = readInt32(entry, "destinations", 1, 65535);
        if (entry.contains("crosspoints")) {
            const toml_value& table = toml::find(entry, "crosspoints");
            if (!table.is_table()) {
                fail("\"crosspoints\" must be a table of destination = source", table,
                     "such as { 101 = 1 }");
            }
            for (const auto& [key, source] : table.as_table()) {
                const std::int32_t destination = keyNumber(key, table, 1, router.destinations);
                if (!source.is_integer() || source.as_integer() < 0 ||
                    source.as_integer() > router.sources) {
                    fail("the source of destination " + key + " must be 0 to " +
                             std::to_string(router.sources),
                         source, "a source number");
                }
                router.crosspoints[destination] = static_cast<std::int32_t>(source.as_integer());
            }
        }
        result.routers.push_back(router);
    }
}

void readDatabases(const toml_value& root, facility& result) {
    for (const toml_value& entry : arrayOf(root, "database")) {
        facility_database database;
        database.device = readInt32(entry, "device", 1, maxNumber);
        if (result.deviceNumbered(database.device) == nullptr) {
            fail("database device " + std::to_string(database.device) + " is not a [[device]]",
                 toml::find(entry, "device"), "declare the device first");
        }
        database.number = readInt32(entry, "number", 0, maxNumber);
        if (result.database(database.device, database.number) != nullptr) {
            fail("database " + std::to_string(database.number) + " of device " +
                     std::to_string(database.device) + " is given twice",
                 entry, "one table per database");
        }
        const toml_value& table = toml::find(entry, "entries");
        if (!table.is_table()) {
            fail("\"entries\" must be a table of index = text", table, "such as { 1 = \"1,1\" }");
        }
        for (const auto& [key, text] : table.as_table()) {
            const std::int32_t index = keyNumber(key, table, minNumber, maxNumber);
            if (!text.is_string()) {
                fail("entry " + key + " must be a text", text, "a quoted text");
            }
            database.entries[index] = text.as_string().str;
        }
        result.databases.push_back(database);
    }
}

facility parseValue(const toml_value& root, const std::string& origin) {
    facility result;
    result.origin = origin;
    if (root.contains("panel_path")) {
        result.panelPath = toml::find<std::string>(root, "panel_path");
    }
    readDevices(root, result);
    readRouters(root, result);
    readDatabases(root, result);
    return result;
}

template <typename Parse> facility guarded(const std::string& origin, Parse parse) {
    try {
        return parse();
    } catch (const facility_error&) {
        throw;
    } catch (const std::exception& error) {
        throw facility_error(origin + ": " + error.what());
    }
}

} // namespace

facility parseFacility(const std::string& text, const std::string& origin) {
    return guarded(origin, [&] {
        std::istringstream stream(text);
        return parseValue(toml::parse<toml::discard_comments>(stream, origin), origin);
    });
}

facility readFacilityFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw facility_error("cannot open the facility file \"" + path + "\"");
    }
    facility result = guarded(
        path, [&] { return parseValue(toml::parse<toml::discard_comments>(file, path), path); });
    const fs::path directory = fs::path(path).parent_path();
    const fs::path layouts = result.panelPath.empty() ? directory : directory / result.panelPath;
    result.panelPath = layouts.empty() ? std::string(".") : layouts.lexically_normal().string();
    if (result.panelPath.size() > 1 && result.panelPath.back() == '/') {
        result.panelPath.pop_back();
    }
    return result;
}

const facility_device* facility::deviceNamed(const std::string& name) const {
    for (const facility_device& device : devices) {
        if (device.name == name) {
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
