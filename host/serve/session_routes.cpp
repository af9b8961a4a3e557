#include "session_routes.h"

#include "json_body.h"
#include "local_time.h"
#include "replay_command.h"
#include "session_recorder.h"
#include "text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

using json = nlohmann::json;
namespace fs = std::filesystem;

constexpr std::size_t nameLimit = 200;
constexpr std::size_t listLimit = 1000;

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// Writes text as a new file (or over an old plain file when overwrite): the check that it does
// not exist and its making are one step ("x"), so a file made meanwhile is not overwritten
// either.
void writeFile(const std::string& path, const std::string& text, bool overwrite) {
    std::error_code ignored;
    const fs::file_status found = fs::symlink_status(path, ignored);
    if (overwrite && fs::exists(found) && !fs::is_regular_file(found)) {
        // A link would carry the write out of the scenario folder; anything else is no scenario.
        throw request_refused{409, fs::path(path).filename().string() +
                                       " is not a plain file (a link, a folder): choose another "
                                       "name"};
    }
    std::FILE* file = std::fopen(path.c_str(), overwrite ? "wb" : "wbx");
    if (file == nullptr) {
        std::error_code error;
        if (!overwrite && fs::exists(fs::symlink_status(path, error))) {
            throw request_refused{409, fs::path(path).filename().string() +
                                           " exists already: save again with \"overwrite\" to "
                                           "replace it, or choose another name"};
        }
        throw request_refused{500, "cannot write " + path + ": " + std::strerror(errno) +
                                       "; choose another --scenario-folder"};
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        throw request_refused{500, "cannot write " + path + ": " + std::strerror(errno) +
                                       "; the file may be incomplete"};
    }
}

bool sameFile(const std::string& one, const std::string& other) {
    std::error_code error;
    return fs::weakly_canonical(one, error) == fs::weakly_canonical(other, error);
}

} // namespace

session_routes::session_routes(route_table& table, desk_routes& deskRoutes, live_desks& served,
                               session_files chosen)
    : routes(deskRoutes), desks(served), files(std::move(chosen)) {
    addRoutes(table);
    routes.addStateField("session", [this] {
        return json{{"lines", desks.session().lines().size()},
                    {"full", desks.session().full()},
                    {"folder", fs::absolute(files.folder).lexically_normal().string()}};
    });
}

std::vector<std::string> session_routes::heading(const std::string& fileName) const {
    const std::string build = files.build ? files.build() : std::string();
    return {"zeth-host serve: a session recorded " +
                localTimeText(std::chrono::system_clock::now()) + " on the plug-in " +
                fs::path(files.pluginFile).filename().string() +
                (build.empty() ? std::string() : " (" + build + ")"),
            "Play it with: " + replayCommand(files.pluginFile, files.panelPath, fileName)};
}

std::string session_routes::fileNamed(const std::string& name, bool addEnding) const {
    if (name.empty()) {
        throw request_refused{400, "give the scenario a file name, such as take_story.zeth"};
    }
    if (name.size() > nameLimit) {
        throw request_refused{400, "the file name is over " + std::to_string(nameLimit) +
                                       " bytes: choose a shorter one"};
    }
    if (name.find_first_of("/\\") != std::string::npos || name.front() == '.') {
        throw request_refused{400, "\"" + name +
                                       "\" is not a plain file name: no folders, no \"..\", not "
                                       "hidden; the file goes into " +
                                       files.folder};
    }
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; })) {
        throw request_refused{400, "the file name has a control character: choose another"};
    }
    std::string file = name;
    const std::string ending = ".zeth";
    if (addEnding && (file.size() < ending.size() ||
                      file.compare(file.size() - ending.size(), ending.size(), ending) != 0)) {
        file += ending;
    }
    return (fs::path(files.folder) / file).lexically_normal().string();
}

void session_routes::addRoutes(route_table& table) {
    table.add("GET", "/api/session.zeth", route_thread::emulator, [this](const http_request&) {
        http_answer answer;
        answer.contentType = "text/plain; charset=utf-8";
        answer.body = desks.session().scenarioText(heading("session.zeth"), "");
        answer.headers = {{"Cache-Control", "no-store"},
                          {"Content-Disposition", "attachment; filename=\"session.zeth\""}};
        return answer;
    });

    routes.addAction("/api/expect", [this](const http_request& request, const json& body) {
        routes.requireRunning();
        emulator& host = desks.host();
        const int deskNumber = body.contains("desk") ? routes.deskAt(body) : desks.currentDesk();
        const std::string what = textField(body, "expect");
        const auto controlName = [this, &body](int onDesk) {
            return routes.controlOn(onDesk, textField(body, "control"))->name;
        };
        std::string line;
        if (what == "crosspoint") {
            const json router = body.value("router", json());
            const std::optional<std::int32_t> device =
                router.is_string()           ? host.routerDevice(router.get<std::string>())
                : router.is_number_integer() ? host.routerDevice(router.dump())
                                             : std::nullopt;
            if (!device) {
                throw request_refused{404, "no such router: " + router.dump()};
            }
            const facility_device* named = host.plant().deviceNumbered(*device);
            line =
                crosspointExpectation(named != nullptr ? named->name : std::to_string(*device),
                                      int32Field(body, "destination"), int32Field(body, "source"));
        } else if (what == "enabled" || what == "disabled") {
            line = enabledExpectation(controlName(deskNumber), what == "enabled");
        } else if (what == "property") {
            line = propertyExpectation(controlName(deskNumber), textField(body, "property"),
                                       textField(body, "value"));
        } else if (what == "commands") {
            const json texts = body.value("commands", json());
            if (!texts.is_array() || !std::all_of(texts.begin(), texts.end(),
                                                  [](const json& t) { return t.is_string(); })) {
                throw request_refused{400, "\"commands\" must be a list of command texts"};
            }
            if (texts.empty()) {
                throw request_refused{400, "the last action sent no commands: there is nothing "
                                           "to expect"};
            }
            line = commandsExpectation(texts.get<std::vector<std::string>>());
        } else {
            throw request_refused{400, "\"expect\" must be crosspoint, enabled, disabled, "
                                       "property or commands"};
        }
        const std::uint64_t since = routes.mark();
        std::optional<std::string> found;
        try {
            found = desks.expect(line, deskNumber);
        } catch (const scenario_error& error) {
            throw request_refused{400, firstLine(error.what())};
        }
        if (found) {
            throw request_refused{409, *found + "; the session does not keep it"};
        }
        return routes.outcome(request, since, false, "kept in the session: " + line, false);
    });

    routes.addAction("/api/save", [this](const http_request&, const json& body) {
        const std::string file = fileNamed(textField(body, "name"), true);
        const json overwrite = body.value("overwrite", json(false));
        if (!overwrite.is_boolean()) {
            throw request_refused{400, "\"overwrite\" must be true or false"};
        }
        const std::string text = desks.session().scenarioText(heading(file), files.folder);
        writeFile(file, text, overwrite.get<bool>());
        return jsonAnswer(200,
                          json{{"file", file},
                               {"lines", desks.session().lines().size()},
                               {"play", replayCommand(files.pluginFile, files.panelPath, file)}});
    });

    table.add("GET", "/api/scenarios", route_thread::emulator, [this](const http_request&) {
        std::vector<std::string> names;
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(files.folder, error)) {
            const std::string name = entry.path().filename().string();
            std::error_code ignored;
            if (names.size() < listLimit && entry.is_regular_file(ignored) && name.front() != '.' &&
                entry.path().extension() == ".zeth") {
                names.push_back(name);
            }
        }
        if (error) {
            throw request_refused{404, "cannot read the scenario folder " + files.folder + ": " +
                                           error.message()};
        }
        std::sort(names.begin(), names.end());
        return jsonAnswer(200, json{{"folder", files.folder}, {"scenarios", names}});
    });

    table.add("GET", "/api/scenario", route_thread::emulator, [this](const http_request& request) {
        const std::string name = request.parameter("name");
        const std::string file = fileNamed(name, false);
        try {
            return jsonAnswer(200, json{{"name", name}, {"lines", splitLines(readTextFile(file))}});
        } catch (const text_file_error& error) {
            throw request_refused{404, error.what()};
        }
    });

    routes.addAction("/api/play", [this](const http_request& request, const json& body) {
        routes.requireRunning();
        const std::string name = textField(body, "name");
        const std::string file = fileNamed(name, false);
        const std::int64_t upTo = numberField(body, "line");
        std::string text;
        try {
            text = readTextFile(file);
        } catch (const text_file_error& error) {
            throw request_refused{404, error.what()};
        }
        const std::size_t count = splitLines(text).size();
        if (upTo < 1 || static_cast<std::size_t>(upTo) > count) {
            throw request_refused{400, "\"line\" must be 1 to " + std::to_string(count) + ": " +
                                           name + " has " + std::to_string(count) + " lines"};
        }
        try {
            const scenario played = parseScenario(text, file);
            if (!played.facilityFile.empty() &&
                (desks.facilityFile().empty() ||
                 !sameFile(played.facilityFile, desks.facilityFile()))) {
                throw request_refused{409, name + " names the facility " + played.facilityLine +
                                               ", not the one zeth-host serve runs on; start "
                                               "serve with --facility " +
                                               played.facilityFile};
            }
        } catch (const scenario_error& error) {
            throw request_refused{400, firstLine(error.what())};
        }
        const std::uint64_t since = routes.mark();
        try {
            desks.playTo(text, name, static_cast<int>(upTo));
        } catch (const run_halted& why) {
            throw request_refused{409, "playing " + name + " stopped: " + why.what() +
                                           "; the desks are as they were"};
        } catch (const std::exception& error) {
            throw request_refused{409, "cannot play " + name + ": " + firstLine(error.what()) +
                                           "; the desks are as they were"};
        }
        routes.desksRemade();
        return routes.outcome(request, since, false,
                              "played " + name + " up to line " + std::to_string(upTo) +
                                  "; the session goes on from there",
                              false);
    });
}
