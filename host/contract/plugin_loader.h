// plugin_loader: loads a panel plug-in and finds its factory, load_zeth_client_script.
//
// The library stays loaded as long as the plugin_library lives; every panel object made by its
// factory must be deleted before then (the panel's code lives in the library). Loading fails
// with plugin_error and a message that says what to do: a missing file, a file the system cannot
// load (and why), or a library without the export.
#pragma once

#include "shared_library.h"
#include "zeth_factory.h"

#include <optional>
#include <stdexcept>
#include <string>

class plugin_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class plugin_library {
public:
    explicit plugin_library(const std::string& path);
    plugin_library(const plugin_library&) = delete;
    plugin_library& operator=(const plugin_library&) = delete;

    zeth_factory factory() const { return entry; }
    const std::string& path() const { return file; }

private:
    std::string file;
    std::optional<shared_library> library;
    zeth_factory entry = nullptr;
};

// The R7_DESK plug-in zeth-host runs when no other is named: R7_DESK.so (R7_DESK.dll on Windows)
// in the program's own directory, where the build puts it, or else the demo plug-in of the
// installed kit, in share/zeth/examples beside the kit's bin. When neither exists, the first, so
// that the message about the missing file names where the build puts it.
std::string defaultPluginPath();
