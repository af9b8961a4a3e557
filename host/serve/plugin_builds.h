// plugin_builds: the copies of the plug-in file that serve loads, in a folder of their own.
//
// Serve never loads the plug-in file itself, only a copy, so that the build tool may write the
// file while a build is loaded (on Windows the loaded file would be locked; a linker that writes
// in place would change the code under the running panels). Each build is copied into
// FOLDER/candidate-N/NAME, under the plug-in file's own name (a transcript names the plug-in by
// it, the same for every build). About to be taken into service it becomes FOLDER/build-N/NAME,
// by a rename, and the builds before it are removed once it serves; refused, it is removed (an
// empty FOLDER/refused-N keeps its number taken). So the folder itself says which build serves,
// the highest build-N, also to a new process of the same desks after a crash; N counts the
// builds copied, starting at 1.
//
// The folder belongs to the caller, who makes it (empty, private) and removes it. Used on one
// thread at a time; throws plugin_error (plugin_loader.h) when a copy cannot be made.
#pragma once

#include "plugin_watch.h"

#include <optional>
#include <string>

struct plugin_build {
    int number = 0;
    std::string file;     // the copy to load
    file_stamp stamp;     // of the plug-in file when it was copied
    std::string modified; // the plug-in file's modification time then, as local time
};

class plugin_builds {
public:
    plugin_builds(std::string pluginFile, std::string folder);

    const std::string& pluginFile() const { return original; }
    // The build in service: the highest build-N in the folder; none before the first accept().
    std::optional<plugin_build> serving() const;
    // Copies the plug-in file as the next build, a candidate. Throws plugin_error when the file
    // cannot be read or copied, or changed while it was copied (the build is not finished).
    plugin_build copyCandidate();
    // Makes the candidate the build in service (build-N); returns it with its new file. Throws
    // plugin_error when the rename fails.
    plugin_build accept(const plugin_build& candidate);
    // Removes every build before this one, which serves now.
    void retireBefore(const plugin_build& serving);
    // Removes the candidate, or the build accepted but refused after all.
    void refuse(const plugin_build& build);

private:
    std::string buildFolder(const char* kind, int number) const;
    int highest(const char* kind) const;

    std::string original;
    std::string folder;
};
