#include "private_folder.h"

#include "platform_error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

std::filesystem::path makePrivateFolder(const std::string& prefix) {
    std::error_code error;
    const std::filesystem::path under = std::filesystem::temp_directory_path(error);
    std::string pattern =
        ((error ? std::filesystem::path("/tmp") : under) / (prefix + "XXXXXX")).string();
    // mkdtemp makes it with mode 0700, so that nobody else can swap a file in it.
    if (mkdtemp(pattern.data()) == nullptr) {
        throw platform_error("cannot make a folder in " + pattern.substr(0, pattern.rfind('/')) +
                             " (" + std::strerror(errno) + ")");
    }
    return pattern;
}
