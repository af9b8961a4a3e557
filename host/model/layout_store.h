// layout_store: finds the layout file that a panel names in "PS" and reads it.
//
// A panel names its layout as its panel path, "/", and a file name. Paths that begin with
// "<built-in>/" name the layouts compiled into zeth-host (the built-in facility hands its panels
// the panel path "<built-in>"); every other path is a file on disk. Reading fails with a reason,
// never an exception: the host then answers "PS" with null. The reason starts with the file (and
// the line, where there is one) and says what is wrong: no such file, a directory, not a regular
// file, too large, not UTF-8, broken TOML, an unknown key (text_file.h, layout.h).
#pragma once

#include "layout.h"

#include <map>
#include <optional>
#include <string>

class layout_store {
public:
    static constexpr const char* builtinDirectory = "<built-in>";

    // Adds a layout under "<built-in>/" + file.
    void addBuiltin(const std::string& file, std::string text);

    struct loaded {
        std::optional<layout> shown; // set on success
        std::string problem;         // otherwise why not
    };
    loaded load(const std::string& path) const;

private:
    std::map<std::string, std::string> builtins; // file name -> text
};
