// facility: the simulated facility that zeth-host plays the panels against: named devices,
// routers with their initial crosspoints, and device databases.
//
// A facility is read once, from a facility file in TOML (readFacilityFile) or from text
// (parseFacility; the built-in facility is such a text), and is not changed afterwards: the
// routers' live crosspoints are kept by router_bank. Reading checks the whole file and throws
// facility_error with the file, the line and what was wrong; nothing half-read is returned. A key
// or table that the format does not have is an error (every one is listed, with the
// nearest known name), since a misspelt one would otherwise be skipped and show up later as
// another fault. Files are refused before parsing as text_file.h and toml_reading.h say.
//
// The file format, with what each key means, is reference/facility.md (the kit installs it, and
// "zeth-host help facility" prints it): keep it true when the reader changes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct facility_device {
    std::string name; // the name the views and messages use
    std::int32_t number = 0;
    std::vector<std::string> aliases; // further names it answers to ("SD"); unique like names
};

struct facility_router {
    std::int32_t device = 0;
    std::int32_t sources = 0;                         // sources are numbered 1 to sources
    std::int32_t destinations = 0;                    // destinations are numbered 1 to destinations
    std::map<std::int32_t, std::int32_t> crosspoints; // destination -> source at start
};

struct facility_database {
    std::int32_t device = 0;
    std::int32_t number = 0;
    std::map<std::int32_t, std::string> entries; // index -> text
};

class facility_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct facility {
    // Where the facility came from, for messages: a file path or "<built-in>".
    std::string origin;
    // The panel path handed to each panel's factory: the directory its layout files are read from.
    std::string panelPath;
    std::vector<facility_device> devices;
    std::vector<facility_router> routers;
    std::vector<facility_database> databases;

    // The device with this name or alias.
    const facility_device* deviceNamed(const std::string& name) const;
    const facility_device* deviceNumbered(std::int32_t number) const;
    const facility_router* router(std::int32_t device) const;
    // The text under index in database number of device, if there is one.
    std::optional<std::string> databaseText(std::int32_t device, std::int32_t database,
                                            std::int32_t index) const;
    const facility_database* database(std::int32_t device, std::int32_t number) const;
    // "R7 SDI Router (20)" for a named device, "device 20" otherwise.
    std::string describeDevice(std::int32_t number) const;
};

// Parses a facility from TOML text. origin names it in messages; panelPath is taken as written
// (relative paths are the caller's to resolve). Throws facility_error.
facility parseFacility(const std::string& text, const std::string& origin);
// Reads a facility file; a relative panel_path is resolved against the file's directory, and a
// missing one means the file's directory. Throws facility_error.
facility readFacilityFile(const std::string& path);
