// The Windows part of shared_library: LoadLibraryEx on the file's full path, so that the system
// neither searches for it nor takes a DLL of the same name that is loaded already, and looks for
// the DLL's own dependencies beside it first. A failure is reported, never shown in a dialog.
#include "shared_library.h"

#include "platform_error.h"
#include "system_reason.h"

#include <windows.h>

#include <filesystem>

const char* const sharedLibrarySuffix = ".dll";

shared_library::shared_library(const std::string& path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    const std::string loadPath = error ? path : full.string();
    DWORD before = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &before);
    const HMODULE module = LoadLibraryExA(loadPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD why = GetLastError();
    SetThreadErrorMode(before, nullptr);
    if (module == nullptr) {
        throw platform_error(systemReason(why));
    }
    handle = module;
}

shared_library::~shared_library() {
    FreeLibrary(static_cast<HMODULE>(handle));
}

void* shared_library::symbol(const char* name) const {
    // A function's address as data: the documented way to reach an export.
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
