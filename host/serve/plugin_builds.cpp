#include "plugin_builds.h"

#include "file_check.h"
#include "platform_error.h"
#include "plugin_loader.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

plugin_builds::plugin_builds(std::string pluginFile, std::string copies)
    : original(std::move(pluginFile)), folder(std::move(copies)) {}

std::string plugin_builds::buildFolder(const char* kind, int number) const {
    return (fs::path(folder) / (std::string(kind) + "-" + std::to_string(number))).string();
}

int plugin_builds::highest(const char* kind) const {
    const std::string prefix = std::string(kind) + "-";
    int found = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size() &&
            name.find_first_not_of("0123456789", prefix.size()) == std::string::npos &&
            name.size() - prefix.size() < 9) {
            found = std::max(found, std::stoi(name.substr(prefix.size())));
        }
    }
    return found;
}

std::optional<plugin_build> plugin_builds::serving() const {
    const int number = highest("build");
    if (number == 0) {
        return std::nullopt;
    }
    plugin_build build;
    build.number = number;
    build.file = (fs::path(buildFolder("build", number)) / fs::path(original).filename()).string();
    build.stamp = stampOf(build.file);
    build.modified = modifiedText(build.file);
    return build;
}

plugin_build plugin_builds::copyCandidate() {
    plugin_build build;
    build.number = std::max({highest("build"), highest("candidate"), highest("refused")}) + 1;
    build.stamp = stampOf(original);
    if (!build.stamp.exists) {
        throw plugin_error("cannot copy the plug-in \"" + original +
                           "\": there is no such file (build the plug-in, or name one with "
                           "--plugin)");
    }
    const fs::path into = buildFolder("candidate", build.number);
    build.file = (into / fs::path(original).filename()).string();
    std::error_code error;
    fs::create_directories(into, error);
    if (!error) {
        fs::copy_file(original, build.file, fs::copy_options::overwrite_existing, error);
    }
    std::string why = error ? error.message() : std::string();
    if (!error) {
        // The copy carries the build's own time, to the file system's finest tick: the page names
        // the build by it, and a build written again within the same second is still told apart.
        try {
            copyModifiedTime(original, build.file);
        } catch (const platform_error& failed) {
            why = failed.what();
        }
    }
    if (!why.empty()) {
        fs::remove_all(into, error);
        throw plugin_error("cannot copy the plug-in \"" + original + "\" to " + into.string() +
                           ": " + why);
    }
    if (stampOf(original) != build.stamp) {
        fs::remove_all(into, error);
        throw plugin_error("the plug-in \"" + original +
                           "\" changed while it was copied: the build is not finished");
    }
    build.modified = modifiedText(build.file);
    return build;
}

plugin_build plugin_builds::accept(const plugin_build& candidate) {
    const fs::path into = buildFolder("build", candidate.number);
    std::error_code error;
    fs::rename(buildFolder("candidate", candidate.number), into, error);
    if (error) {
        throw plugin_error("cannot take the copy of the plug-in into service (" + into.string() +
                           "): " + error.message());
    }
    plugin_build taken = candidate;
    taken.file = (into / fs::path(original).filename()).string();
    return taken;
}

void plugin_builds::retireBefore(const plugin_build& serving) {
    std::vector<fs::path> older;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("build-", 0) == 0 && name != "build-" + std::to_string(serving.number)) {
            older.push_back(entry.path());
        }
    }
    for (const fs::path& each : older) {
        std::error_code ignored;
        fs::remove_all(each, ignored);
    }
}

void plugin_builds::refuse(const plugin_build& build) {
    std::error_code ignored;
    fs::remove_all(buildFolder("candidate", build.number), ignored);
    fs::remove_all(buildFolder("build", build.number), ignored);
    // An empty folder keeps the number taken: the next build is not called by it again.
    fs::create_directories(buildFolder("refused", build.number), ignored);
}
