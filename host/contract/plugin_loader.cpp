#include "plugin_loader.h"

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

#if defined(_WIN32)
constexpr const char* pluginFile = "R7_DESK.dll";

void* openLibrary(const std::string& path, std::string& why) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        why = "LoadLibrary failed with error " + std::to_string(GetLastError());
    }
    return reinterpret_cast<void*>(module);
}

void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void closeLibrary(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}

std::filesystem::path programDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::string(path, length)).parent_path();
}
#else
constexpr const char* pluginFile = "R7_DESK.so";

void* openLibrary(const std::string& path, std::string& why) {
    // RTLD_LOCAL: two plug-ins never see each other's symbols.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        why = error != nullptr ? error : "dlopen failed";
    }
    return handle;
}

void* findSymbol(void* handle, const char* name) {
    dlerror();
    return dlsym(handle, name);
}

void closeLibrary(void* handle) {
    dlclose(handle);
}

std::filesystem::path programDirectory() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
}
#endif

} // namespace

plugin_library::plugin_library(const std::string& path) : file(path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw plugin_error("cannot load the plug-in \"" + path +
                           "\": there is no such file (build the plug-in, or name one with "
                           "--plugin)");
    }
    // A bare file name would make the system search its library path instead of this file.
    const std::string openPath = std::filesystem::path(path).has_parent_path() ? path : "./" + path;
    std::string why;
    handle = openLibrary(openPath, why);
    if (handle == nullptr) {
        throw plugin_error("cannot load the plug-in \"" + path + "\": " + why);
    }
    void* symbol = findSymbol(handle, zethFactoryName);
    if (symbol == nullptr) {
        closeLibrary(handle);
        handle = nullptr;
        throw plugin_error("the plug-in \"" + path + "\" does not export " + zethFactoryName +
                           ": it is no panel plug-in");
    }
    // A function pointer from a symbol address: the platform's documented way to call it.
    entry = reinterpret_cast<zeth_factory>(symbol);
}

plugin_library::~plugin_library() {
    if (handle != nullptr) {
        closeLibrary(handle);
    }
}

std::string defaultPluginPath() {
    return (programDirectory() / pluginFile).string();
}
