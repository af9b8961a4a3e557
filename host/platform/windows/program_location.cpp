#include "program_location.h"

#include <windows.h>

#include <string>

std::filesystem::path programDirectory() {
    const std::filesystem::path self = programFile();
    return self.empty() ? std::filesystem::current_path() : self.parent_path();
}

std::filesystem::path programFile() {
    std::string path(MAX_PATH, '\0');
    while (true) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
