#include "layout_store.h"

#include "text_file.h"

void layout_store::addBuiltin(const std::string& file, std::string text) {
    builtins[file] = std::move(text);
}

layout_store::loaded layout_store::load(const std::string& path) const {
    loaded result;
    const std::string prefix = std::string(builtinDirectory) + "/";
    std::string text;
    if (path.rfind(prefix, 0) == 0) {
        const auto found = builtins.find(path.substr(prefix.size()));
        if (found == builtins.end()) {
            result.problem = "no built-in layout \"" + path.substr(prefix.size()) + "\"";
            return result;
        }
        text = found->second;
    } else {
        try {
            text = readTextFile(path);
        } catch (const text_file_error& error) {
            result.problem = error.what();
            return result;
        }
    }
    try {
        result.shown = parseLayout(text, path);
    } catch (const layout_error& error) {
        result.problem = error.what();
    }
    return result;
}
