#include "plugin_loader.h"

#include "platform_error.h"
#include "program_location.h"

#include <filesystem>

plugin_library::plugin_library(const std::string& path) : file(path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw plugin_error("cannot load the plug-in \"" + path +
                           "\": there is no such file (build the plug-in, or name one with "
                           "--plugin)");
    }
    try {
        library.emplace(path);
    } catch (const platform_error& refused) {
        throw plugin_error("cannot load the plug-in \"" + path + "\": " + refused.what());
    }
    void* symbol = library->symbol(zethFactoryName);
    if (symbol == nullptr) {
        throw plugin_error("the plug-in \"" + path + "\" does not export " + zethFactoryName +
                           ": it is no panel plug-in");
    }
    // A function pointer from a symbol address: the platform's documented way to call it.
    entry = reinterpret_cast<zeth_factory>(symbol);
}

std::string defaultPluginPath() {
    const std::string file = std::string("R7_DESK") + sharedLibrarySuffix;
    const std::filesystem::path beside = programDirectory() / file;
    const std::filesystem::path kit =
        (programDirectory() / ZETH_KIT_EXAMPLES / file).lexically_normal();
    std::error_code error;
    return (!std::filesystem::exists(beside, error) && std::filesystem::exists(kit, error) ? kit
                                                                                           : beside)
        .string();
}
