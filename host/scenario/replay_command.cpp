#include "replay_command.h"

std::string shellWord(const std::string& word) {
    if (!word.empty() && word.find_first_of(" \t'\"\\$`!*?#&;|<>()") == std::string::npos) {
        return word;
    }
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string replayCommand(const std::string& pluginFile, const std::string& panelPath,
                          const std::string& scenarioFile) {
    std::string command = "zeth-host run --plugin " + shellWord(pluginFile);
    if (!panelPath.empty()) {
        command += " --panel-path " + shellWord(panelPath);
    }
    return command + " " + shellWord(scenarioFile);
}
