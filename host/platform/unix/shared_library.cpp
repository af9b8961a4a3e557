#include "shared_library.h"

#include "platform_error.h"

#include <dlfcn.h>
#include <filesystem>

const char* const sharedLibrarySuffix = ".so";

shared_library::shared_library(const std::string& path) {
    // A bare file name would make dlopen search the library path instead of opening this file.
    const std::string openPath = std::filesystem::path(path).has_parent_path() ? path : "./" + path;
    // RTLD_LOCAL: two libraries never see each other's symbols.
    handle = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        throw platform_error(error != nullptr ? error : "dlopen failed");
    }
}

shared_library::~shared_library() {
    dlclose(handle);
}

void* shared_library::symbol(const char* name) const {
    dlerror();
    return dlsym(handle, name);
}
